#include "singleinstance.h"

#include "platform/services/log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

namespace {

constexpr char kRequest[] = "show\n";
constexpr char kAnswer[] = "ok\n";
// Neither side reads more than this from the other.
constexpr qint64 kLineLimit = 64;
// A client that says nothing within this time is dropped.
constexpr int kClientMs = 3000;

QString notChecked(const QString &why)
{
    return QStringLiteral("Merkolo kann nicht prüfen, ob es schon läuft:\n%1\n\nMerkolo startet trotzdem.").arg(why);
}

// A request other than "show": one line of lower-case letters and '='.
bool isRequest(const QByteArray &line)
{
    static const QRegularExpression word(QStringLiteral("^[a-z]+=[a-z]+\n$"));
    return word.match(QString::fromLatin1(line)).hasMatch();
}

} // namespace

SingleInstance::SingleInstance(const QString &runtimeFolder, const QString &display, const QString &wayland)
    : m_folder(runtimeFolder)
{
    if (m_folder.isEmpty())
        return;
    const QString base = QStringLiteral("merkolo-") + displayKey(display, wayland, runtimeFolder);
    m_socketPath = QDir(m_folder).filePath(base + QStringLiteral(".socket"));
    m_lockPath = QDir(m_folder).filePath(base + QStringLiteral(".lock"));
}

SingleInstance::~SingleInstance()
{
    // The socket file goes with the server; the lock file with the lock.
    delete m_server;
}

namespace {

// A path with its links resolved, as far as it exists.
QString realPath(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const QString real = QFileInfo(clean).canonicalFilePath();
    if (!real.isEmpty())
        return real;
    const QFileInfo file(clean);
    const QString folder = QFileInfo(file.path()).canonicalFilePath();
    return folder.isEmpty() ? clean : folder + QLatin1Char('/') + file.fileName();
}

} // namespace

QString SingleInstance::displayKey(const QString &display, const QString &wayland, const QString &runtimeFolder)
{
    QString key = display.trimmed();
    if (!wayland.trimmed().isEmpty()) {
        // A relative name lies in the runtime folder, as the client library
        // looks for it; a socket there is named by its file name alone.
        const QString folder = runtimeFolder.isEmpty() ? QString() : realPath(runtimeFolder);
        const QString socket = realPath(QDir::isAbsolutePath(wayland.trimmed()) || folder.isEmpty()
                                            ? wayland.trimmed()
                                            : QDir(folder).filePath(wayland.trimmed()));
        key = !folder.isEmpty() && QFileInfo(socket).path() == folder ? QFileInfo(socket).fileName() : socket;
    }
    // "unix" names the local socket, as no host at all does: one X server.
    if (key.startsWith(QLatin1String("unix:")))
        key.remove(0, 4);
    // The screen number after the display number names the same display.
    const qsizetype colon = key.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const qsizetype dot = key.indexOf(QLatin1Char('.'), colon);
        if (dot >= 0)
            key.truncate(dot);
    }
    key.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return key.isEmpty() ? QStringLiteral("default") : key;
}

SingleInstance::Start SingleInstance::start()
{
    if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) {
        m_problem = notChecked(QStringLiteral("Der Laufzeitordner des Benutzers fehlt (XDG_RUNTIME_DIR).")
                               + (m_folder.isEmpty() ? QString() : QLatin1Char('\n') + QDir::toNativeSeparators(m_folder)));
        return Start::Unguarded;
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Only a holder that is gone makes the lock stale, never its age.
    m_lock->setStaleLockTime(0);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (m_lock->tryLock(0))
            return takeOver();
        const QFileInfo lockFile(m_lockPath);
        if (m_lock->error() != QLockFile::LockFailedError || (lockFile.exists() && !lockFile.isFile())) {
            m_problem = notChecked(QStringLiteral("Die Sperrdatei lässt sich nicht anlegen:\n%1")
                                       .arg(QDir::toNativeSeparators(m_lockPath)));
            return Start::Unguarded;
        }
        const Asked asked = askRunning();
        if (asked == Asked::Answered)
            return Start::Forwarded;
        // No running program answers. A lock file that no running process
        // holds (left by a crash, or written by something else) is removed
        // and the lock taken; a running holder's native lock keeps its file.
        if (clock.elapsed() < m_reachMs + m_answerMs && m_lock->removeStaleLockFile()) {
            qCInfo(lcInstance) << "took over a lock file no process held:" << m_lockPath;
            continue;
        }
        if (asked == Asked::Silent || clock.elapsed() > m_reachMs) {
            qint64 pid = 0;
            QString host, app;
            const QString who = m_lock->getLockInfo(&pid, &host, &app) ? QStringLiteral(" (Prozess %1)").arg(pid)
                                                                         : QString();
            m_problem = QStringLiteral("Merkolo läuft bereits%1, antwortet aber nicht.\n"
                                       "Beenden Sie dieses Merkolo und starten Sie es dann neu.")
                            .arg(who);
            return Start::Refused;
        }
        QThread::msleep(100);
    }
}

SingleInstance::Start SingleInstance::takeOver()
{
    // A socket file left by a crashed run, or put there by something else.
    QLocalServer::removeServer(m_socketPath);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        m_problem = notChecked(QStringLiteral("Der Anschluss für einen zweiten Start lässt sich nicht anlegen:\n%1\n%2")
                                   .arg(QDir::toNativeSeparators(m_socketPath), server->errorString()));
        delete server;
        return Start::Unguarded;
    }
    m_server = server;
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket *client = server->nextPendingConnection())
            serve(client);
    });
    return Start::First;
}

void SingleInstance::serve(QLocalSocket *client)
{
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QTimer::singleShot(kClientMs, client, [client] {
        client->abort();
        client->deleteLater();
    });
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > kLineLimit)
                client->abort();
            return;
        }
        const QByteArray line = client->readLine(kLineLimit);
        QPointer<QLocalSocket> alive(client);
        if (line == kRequest || isRequest(line)) {
            if (line == kRequest)
                emit forwardRequested();
            else
                emit requested(line.chopped(1));
            if (alive) {
                client->write(kAnswer);
                client->flush();
            }
        } else {
            qCInfo(lcInstance) << "dropped a client with an unknown request";
        }
        if (alive)
            client->disconnectFromServer();
    });
}

SingleInstance::Asked SingleInstance::askRunning()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(300))
        return Asked::NotReached;
    socket.write(m_request.isEmpty() ? QByteArray(kRequest) : m_request + '\n');
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    if (socket.waitForBytesWritten(m_answerMs)) {
        while (!answer.contains('\n') && answer.size() <= kLineLimit && clock.elapsed() < m_answerMs) {
            const bool more = socket.waitForReadyRead(int(m_answerMs - clock.elapsed()));
            answer += socket.read(kLineLimit);
            if (!more)
                break;
        }
    }
    if (answer == kAnswer)
        return Asked::Answered;
    // Connected, yet no proper answer: a running program that is stuck, or a
    // socket of something else.
    qCInfo(lcInstance) << "no answer at" << m_socketPath;
    return Asked::Silent;
}
