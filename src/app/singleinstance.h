#pragma once
// One running program per user and display. The first start holds a lock
// file and listens on a local socket, both in the user's runtime folder; a
// later start asks the running program through the socket to come forward
// and then ends. What a crashed run left behind (lock file, socket) is taken
// over by the next start.

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Start {
        First,     // this run is the program; a second start raises `forwardRequested`
        Forwarded, // the running program came forward: end this run with status 0
        Unguarded, // no guard could be set up: run anyway, problem() says why
        Refused,   // a running program does not answer: end this run, problem() says why
    };

    // `runtimeFolder`: the user's runtime folder; `display`: the X display
    // this run shows on; `wayland`: the Wayland desktop it runs in, if any.
    SingleInstance(const QString &runtimeFolder, const QString &display, const QString &wayland = QString());
    ~SingleInstance() override;

    Start start();
    // A German message for Unguarded and Refused.
    QString problem() const { return m_problem; }
    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }

    // A file-name part for a display name: ":0.0" and ":0" give the same.
    // In a Wayland desktop (`wayland` set, as WAYLAND_DISPLAY) it names the
    // desktop's socket instead, whatever X display (Xwayland's, or none) the
    // run has: "wayland-1" and "<runtimeFolder>/wayland-1" give the same.
    static QString displayKey(const QString &display, const QString &wayland = QString(),
                              const QString &runtimeFolder = QString());
    // How long a later start keeps trying to reach the running program's
    // socket (it may have taken the lock and not be listening yet), and how
    // long it waits for its answer.
    void setPatience(int reachMs, int answerMs)
    {
        m_reachMs = reachMs;
        m_answerMs = answerMs;
    }

    // What this start asks of a running program instead of coming forward
    // (a word such as "verlauf=an"); by default it comes forward.
    void setRequest(const QByteArray &request) { m_request = request; }

signals:
    // A later start asks this program to come forward.
    void forwardRequested();
    // A later start asks something else of it (see setRequest).
    void requested(const QByteArray &request);

private:
    enum class Asked { Answered, NotReached, Silent };
    Start takeOver();
    // Asks the program at the socket to come forward.
    Asked askRunning();
    void serve(QLocalSocket *client);

    QString m_folder;
    QString m_socketPath;
    QString m_lockPath;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    QByteArray m_request;
    int m_reachMs = 3000;
    int m_answerMs = 5000;
};
