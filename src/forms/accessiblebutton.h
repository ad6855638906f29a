#pragma once
// The buttons, check boxes and option buttons of the program's windows as
// assistive technology sees them. Pressed or toggled that way while a
// message box of the program is open, they do nothing, as a click does
// nothing then: one box at a time, whatever way the input comes.

#include <QAccessibleWidget>

class QAbstractButton;

class AccessibleButton : public QAccessibleWidget
{
public:
    explicit AccessibleButton(QAbstractButton *button);

    // Makes the program's windows' buttons use this interface (once per process).
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;

private:
    QAbstractButton *button() const;
    // True while a message box of the button's window is open.
    bool held() const;
};
