#pragma once
// Controls with the legacy design's event semantics: a change event only on
// a real change, a click when code changes a value, focus and mouse events
// as signals. All text from outside is shown as plain text.

#include "forms/listbox.h"
#include "forms/picturebox.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

// Mouse, focus and key events of any widget, raised as signals.
// X and Y are pixels of the control.
class ControlEvents : public QObject
{
    Q_OBJECT
public:
    explicit ControlEvents(QWidget *control);

signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void GotFocus();
    void LostFocus();
    void KeyDown(int keyCode, int shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_pressedInside = false;
};

// The event source of a control, made on first use.
ControlEvents *events(QWidget *control);

// Sets a tooltip that is always shown as plain text.
void setPlainToolTip(QWidget *control, const QString &text);
QString plainToolTip(const QWidget *control);

// Bold 8.25-point "MS Sans Serif" (or the nearest font there is).
QFont boldSansSerif();
// The image windows' plain 8.25-point face, semi-condensed: the design's
// captions fill their controls, and a wider font would cut them.
QFont condensedSansSerif();

// Colours of a control: background and text.
void setColours(QWidget *control, const QColor &background, const QColor &text = QColor());

// A check box with values 0 (unticked), 1 (ticked) and 2 (greyed). A box
// lower than the style's indicator or its font's line draws both smaller,
// so that they stay whole within its rectangle.
class CheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit CheckBox(const QString &caption, QWidget *parent);
    int Value() const;
    // Raises Click when the value changes.
    void setValue(int value);

signals:
    void Click();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The font given (or inherited) at its size, else the largest that fits the height.
    void fitFont();
    QFont m_givenFont;
    bool m_fitting = false;
};

// An option button; the buttons of one parent form one group.
class OptionButton : public QRadioButton
{
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent);
    bool Value() const { return isChecked(); }
    // Selecting a button that was not selected raises its Click.
    void setValue(bool selected);

signals:
    void Click();
};

// A multi-line text box. Text() is exactly the text last set or typed
// (line breaks as they came); Change is raised only when it differs.
// Tab and Shift+Tab move the focus in the window's tab order, as in every
// multi-line box of the design; Ctrl+Tab types a tab into an editable box.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent);
    const QString &Text() const { return m_text; }
    void setText(const QString &text);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void edited();
    QString m_text;
    bool m_setting = false;
};

// A single-line text box with the same change rule.
class LineTextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit LineTextBox(QWidget *parent);
    QString Text() const { return text(); }
    void setText(const QString &text);

signals:
    void Change();
};

// Factory helpers for the simple controls.
QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height, const QString &toolTip = QString());
QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width, int height);
// A borderless picture box showing `image` on the parent's colour of `back`.
PictureBox *makeIconBox(QWidget *parent, const QImage &image, int left, int top, int width, int height,
                        const QString &toolTip, QPalette::ColorRole back = QPalette::Button);
// A graphical button of the design: white face, bold font.
void makeGraphical(QPushButton *button);
