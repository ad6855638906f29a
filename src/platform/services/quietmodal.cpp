#include "platform/services/quietmodal.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace quietmodal {

namespace {

// What a user does to a window: it goes to the dialog or nowhere.
bool isInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
        return true;
    case QEvent::Close:
        return event->spontaneous(); // the close box, not the program's own unload
    default:
        return false;
    }
}

// Keeps input away from the program's windows other than the dialog.
class Blocker : public QObject
{
public:
    explicit Blocker(QDialog &dialog)
        : m_dialog(&dialog)
    {
        qApp->installEventFilter(this);
    }
    ~Blocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_dialog || !watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (w->window() == m_dialog)
            return false;
        if (event->type() == QEvent::WindowActivate && w->isWindow() && w->windowType() != Qt::Popup) {
            // The user went to another of the program's windows: the dialog comes forward.
            QTimer::singleShot(0, m_dialog, [dialog = m_dialog] {
                if (dialog && dialog->isVisible()) {
                    dialog->raise();
                    dialog->activateWindow();
                }
            });
            return false;
        }
        if (!isInput(event))
            return false;
        event->accept(); // a key taken here starts no shortcut either
        return true;
    }

private:
    QPointer<QDialog> m_dialog;
};

} // namespace

void exec(QDialog &dialog)
{
    dialog.setWindowModality(Qt::NonModal);
    dialog.setAttribute(Qt::WA_ShowWithoutActivating);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(&dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    Blocker block(dialog);
    dialog.show();
    loop.exec(QEventLoop::DialogExec);
}

} // namespace quietmodal
