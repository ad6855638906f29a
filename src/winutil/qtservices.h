#pragma once
// The real desktop services, backed by Qt.

#include "services.h"

#include <QPointer>
#include <QWidget>

class QtClipboard : public Clipboard
{
    Q_OBJECT
public:
    // `announce`: raise `changed` for every change of the system clipboard.
    explicit QtClipboard(bool announce = true);
    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    void SetText(const QString &text) override;
    void SetData(const QImage &image) override;
    void Clear() override;
};

// A dialog about to be shown goes into the always-on-top band when a
// window of the program is there, so that no window of its own covers it.
void keepAboveTheProgram(QWidget *dialog);

// Each box is owned by the program's active window (or the one last
// active): it opens over that window and stays above it, in the
// always-on-top band when a window of the program is there.
class QtMessageBox : public MessageBoxService
{
public:
    QtMessageBox();
    int show(const QString &text, int style, const QString &title) override;

private:
    QWidget *owner() const;
    QObject m_context; // ends the focus connection with this object
    QPointer<QWidget> m_lastActive;
};

class QtBeeper : public Beeper
{
public:
    void beep() override;
};

class SystemClock : public Clock
{
public:
    QDateTime now() override;
};

class ProcessRoots : public Roots
{
public:
    QString programFolder() override;
    QString currentDirectory() override;
};
