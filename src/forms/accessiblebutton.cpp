#include "forms/accessiblebutton.h"

#include "forms/form.h"
#include "platform/services/services.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>

namespace {

QAccessible::Role roleOf(const QAbstractButton *button)
{
    if (qobject_cast<const QCheckBox *>(button))
        return QAccessible::CheckBox;
    if (qobject_cast<const QRadioButton *>(button))
        return QAccessible::RadioButton;
    return QAccessible::Button;
}

QAccessibleInterface *forWindowsButtons(const QString &, QObject *object)
{
    auto *button = qobject_cast<QAbstractButton *>(object);
    // The message boxes' own buttons are not the windows': they answer the box.
    if (!button || !qobject_cast<Form *>(button->window()))
        return nullptr;
    return new AccessibleButton(button);
}

} // namespace

AccessibleButton::AccessibleButton(QAbstractButton *button)
    : QAccessibleWidget(button, roleOf(button))
{
}

void AccessibleButton::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(forWindowsButtons);
        return true;
    }();
    Q_UNUSED(installed);
}

QAbstractButton *AccessibleButton::button() const
{
    return static_cast<QAbstractButton *>(widget());
}

bool AccessibleButton::held() const
{
    const auto *form = qobject_cast<const Form *>(widget()->window());
    return form && form->services().messages && form->services().messages->gate().open();
}

QString AccessibleButton::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QString(button()->text()).remove(QLatin1Char('&'));
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleButton::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = button()->isCheckable();
    s.checked = button()->isChecked();
    s.pressed = button()->isDown();
    if (const auto *box = qobject_cast<const QCheckBox *>(button()))
        s.checkStateMixed = box->checkState() == Qt::PartiallyChecked;
    return s;
}

QStringList AccessibleButton::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << (button()->isCheckable() ? toggleAction() : pressAction());
    return names + QAccessibleWidget::actionNames();
}

void AccessibleButton::doAction(const QString &action)
{
    if (!widget()->isEnabled() || held())
        return;
    // Toggled, a box is clicked: its window hears of it as of the user's click.
    if (action == pressAction() || action == toggleAction())
        button()->animateClick();
    else
        QAccessibleWidget::doAction(action);
}
