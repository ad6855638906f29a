#pragma once
// The real desktop services, backed by Qt (the clipboard: clipboardfactory.h).

#include "platform/services/services.h"

#include <QPointer>
#include <QWidget>

// A dialog about to be shown goes into the always-on-top band when a
// window of the program is there, so that no window of its own covers it.
void keepAboveTheProgram(QWidget *dialog);

// Each box is owned by the program's active window (or the one last
// active): it opens over that window and stays above it, in the
// always-on-top band when a window of the program is there. A box raised
// while another program is active does not take the keyboard from it.
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

// Run from the build folder: the program's folder and the process's current
// directory. Installed: the per-user folder serves as both, and the files
// installed with the program come from its share folder.
class ProcessRoots : public Roots
{
public:
    ProcessRoots() = default;
    ProcessRoots(const QString &userFolder, const QString &sharedFolder);
    QString programFolder() override;
    QString currentDirectory() override;
    QString sharedFolder() override;

private:
    QString m_user;
    QString m_shared;
};
