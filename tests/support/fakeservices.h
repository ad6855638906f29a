#pragma once
// Fakes of the desktop services: everything in memory, every call recorded.

#include "winutil/services.h"

#include <QStringList>

#include <deque>
#include <functional>

// An in-process clipboard. Like the offscreen platform it raises `changed`
// synchronously inside every set and clear.
class FakeClipboard : public Clipboard
{
    Q_OBJECT
public:
    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    void SetText(const QString &text) override;
    void SetData(const QImage &image) override;
    void Clear() override;

    // Another program puts text and/or a bitmap on the clipboard at once.
    void setFromOutside(const std::optional<QString> &text, const QImage &image = QImage());
    // While set, offered formats cannot be read (an owner that never answers).
    bool unreadable = false;
    int reads = 0;

    std::optional<QString> text;
    QImage image;
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
    QString program;
    QString current;
};
