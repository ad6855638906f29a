#pragma once
// Fakes of the desktop services: everything in memory, every call recorded.

#include "platform/services/services.h"
#include "qtprint.h"

#include <QStringList>

class QMessageBox;

#include <deque>
#include <functional>
#include <map>

// An in-process clipboard. Like the offscreen platform it raises `changed`
// synchronously inside every set and clear.
class FakeClipboard : public Clipboard
{
    Q_OBJECT
public:
    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    StoredPicture GetPicture() override;
    void SetText(const QString &text) override;
    void SetData(const QImage &image) override;
    void SetPicture(const StoredPicture &picture) override;
    void Clear() override;

    // Another program puts text and/or a bitmap on the clipboard at once.
    void setFromOutside(const std::optional<QString> &text, const QImage &image = QImage());
    // Another program offers a picture as `bytes` of MIME type `type`.
    void setPictureFromOutside(const QByteArray &bytes, const QByteArray &type);
    // While set, offered formats cannot be read (an owner that never answers).
    bool unreadable = false;
    int reads = 0;

    std::optional<QString> text;
    QImage image;
    StoredPicture stored; // the picture with its bytes, when it came so
};

class FakeMessageBox : public MessageBoxService
{
public:
    struct Call {
        QString text;
        int style;
        QString title;
    };
    int show(const QString &text, int style, const QString &title) override;
    std::vector<Call> calls;
    // Answers for Yes/No questions, used in order; vbYes when empty.
    std::deque<int> answers;
    // Runs inside the box, while it is "open".
    std::function<void(const QString &)> whileOpen;
    QStringList texts() const;
};

// The real message box open on the screen (modal or shown in the background), or null.
QMessageBox *openMessageBox();
// Calls `act` once with the message box, as soon as one is open and exposed on the screen.
void whenMessageBoxShows(std::function<void(QMessageBox *)> act);

class FakeBeeper : public Beeper
{
public:
    void beep() override { ++count; }
    int count = 0;
};

class FakeClock : public Clock
{
public:
    QDateTime now() override { return time; }
    QDateTime time = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9));
};

class FakeRoots : public Roots
{
public:
    QString programFolder() override { return program; }
    QString currentDirectory() override { return current; }
    QString sharedFolder() override { return shared; }
    QString program;
    QString current;
    QString shared;
};

// A notification area in memory. Icons, removals and pop-ups are recorded;
// a pop-up chooses the entry named in `choose` (or none) and runs it.
class FakeTray : public TrayService
{
    Q_OBJECT
public:
    struct Icon {
        QIcon icon;
        QString tip;
    };
    bool setIcon(int id, const QIcon &icon, const QString &tip) override;
    void removeIcon(int id) override;
    bool hostAvailable() override { return host; }
    void popUp(QMenu &menu) override;
    void setTaskVisible(bool visible) override { taskIsVisible = visible; }
    bool taskVisible() const override { return taskIsVisible; }
    void notify(const QString &title, const QString &text) override { notices.push_back(title + ": " + text); }

    // The shell reports a mouse action on the one icon shown (message number).
    void click(int message);
    // The host goes away or comes back.
    void setHost(bool present);

    bool host = true;
    bool taskIsVisible = true;
    QStringList notices; // "title: text" of each notice
    std::map<int, Icon> icons;
    int adds = 0;
    int removes = 0;
    // Entry texts of each pop-up shown (separators as "-").
    std::vector<QStringList> popUps;
    QString choose;
    // Runs while a pop-up is open, before the entry is chosen.
    std::function<void()> whileOpen;
    // Run at each new icon and each removal (tests record the order of events).
    std::function<void()> onAdd;
    std::function<void()> onRemove;
};
