#include "platform/services/qtservices.h"

#include "platform/services/modalgate.h"
#include "platform/services/quietmodal.h"
#include "platform/windows/x11window.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

void keepAboveTheProgram(QWidget *dialog)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w != dialog
            && (x11window::hasState(w, x11window::State::Above) || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))) {
            if (x11window::active())
                x11window::setState(dialog, x11window::State::Above, true);
            else
                dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
            return;
        }
    }
}

QtMessageBox::QtMessageBox()
{
    // The program's window the user last worked in, for boxes that come
    // while another program is active.
    QObject::connect(qApp, &QApplication::focusChanged, &m_context, [this](QWidget *, QWidget *now) {
        QWidget *w = now ? now->window() : nullptr;
        if (w && !qobject_cast<QMessageBox *>(w) && w->windowType() != Qt::Popup)
            m_lastActive = w;
    });
}

QWidget *QtMessageBox::owner() const
{
    auto usable = [](QWidget *w) {
        return w && w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup
            && w->windowType() != Qt::ToolTip;
    };
    if (QWidget *active = QApplication::activeWindow(); usable(active))
        return active;
    if (usable(m_lastActive))
        return m_lastActive;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (usable(w) && x11window::hasState(w, x11window::State::Above))
            return w;
    }
    return nullptr;
}

int QtMessageBox::show(const QString &text, int style, const QString &title)
{
    ModalGate::Scope open(gate());
    // Owned by the window that asked: the box opens over it, centred, and
    // the window manager keeps it above its owner.
    QPointer<QMessageBox> box = new QMessageBox(owner());
    box->setWindowTitle(title.isEmpty() ? kAppTitle : title);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    keepAboveTheProgram(box);
    QPushButton *yes = nullptr;
    QPushButton *ok = nullptr;
    if (style == vbYesNo) {
        yes = box->addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton *no = box->addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
    } else {
        ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    // While another program has the keyboard the box leaves it there.
    if (QApplication::activeWindow())
        box->exec();
    else
        quietmodal::exec(*box);
    // An owner that went away while the box was open took the box with it: no answer is No.
    const bool saidYes = box && yes && box->clickedButton() == yes;
    delete box.data();
    if (style == vbYesNo)
        return saidYes ? vbYes : vbNo;
    return vbOK;
}

void QtBeeper::beep()
{
    QApplication::beep();
}

QDateTime SystemClock::now()
{
    return QDateTime::currentDateTime();
}

ProcessRoots::ProcessRoots(const QString &userFolder, const QString &sharedFolder)
    : m_user(userFolder)
    , m_shared(sharedFolder)
{
}

QString ProcessRoots::programFolder()
{
    return m_user.isEmpty() ? QCoreApplication::applicationDirPath() : m_user;
}

QString ProcessRoots::currentDirectory()
{
    return m_user.isEmpty() ? QDir::currentPath() : m_user;
}

QString ProcessRoots::sharedFolder()
{
    return m_shared;
}
