#pragma once
// Controls with the legacy design's event semantics: a change event only on
// a real change, a click when code changes a value, focus and mouse events
// as signals. All text from outside is shown as plain text.

#include "platform/storedpicture.h"

#include <QAbstractListModel>
#include <QCheckBox>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

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

// The entries of a list box: whole texts, shown one line each.
class ListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 32767;
    static constexpr int kShownChars = 300;

    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QStringList &entries() const { return m_entries; }
    bool append(const QString &text);
    bool removeAt(int row);
    void clear();

    // How an entry is shown on its single line.
    static QString oneLine(const QString &text);

private:
    QStringList m_entries;
};

// A list box: entries in order, one selection at a time, at most 32767 entries.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent);
    int ListCount() const;
    // The selected position, -1 when none is selected.
    int ListIndex() const;
    // Selects a position (-1 clears); raises Click when the selection changes.
    void setListIndex(int index);
    QString List(int index) const;
    // The selected entry's text, empty when none is selected.
    QString Text() const;
    // Appends at the end; a full list adds nothing and returns false.
    bool AddItem(const QString &text);
    void RemoveItem(int index);
    void Clear();
    ListModel *entries() const { return m_model; }

signals:
    void Click();

protected:
    // Copies nothing by itself: the window's own key handler decides what
    // Ctrl+C puts on the clipboard (the view would copy the shown line).
    void keyPressEvent(QKeyEvent *event) override;
    // A click on the entry that is already selected raises Click as well.
    void mousePressEvent(QMouseEvent *event) override;

private:
    ListModel *m_model;
    int m_lastIndex = -1;
    bool m_removing = false;
};

// A picture box: a picture property (shared pixels, or the shared bytes a
// picture came as, never copied; see storedpicture.h) under a
// persistent drawing surface. Setting the picture clears what was drawn.
// The surface holds the screen's device pixels (twice the box's pixels each
// way at twice the pixels), so what is drawn into it is as sharp as the
// screen; coordinates given to it are the box's pixels all the same.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    enum class Scale { Twips, Pixels };
    explicit PictureBox(QWidget *parent, Scale scale = Scale::Twips);

    // The picture's pixels (decoded now when held as bytes only).
    QImage Picture() const { return m_picture.pixels(); }
    const StoredPicture &stored() const { return m_picture; }
    // Raises Change. Pixels decoded along with a stored picture's bytes are
    // kept until the events of the moment are handled, then dropped.
    void setPicture(const QImage &picture);
    void setPicture(const StoredPicture &picture);
    // True when the picture holds an image (a handle other than 0).
    bool hasPicture() const { return !m_picture.isNull(); }

    void setBackColor(const QColor &colour);
    void setBorder(bool on);
    // Inner drawing area in the box's own scale unit.
    double ScaleWidth() const;
    double ScaleHeight() const;
    Scale scaleMode() const { return m_scale; }
    // Stretches the whole of `source` into the rectangle (pixels of the inner
    // area) on the persistent surface, smoothly scaled to the surface's
    // device pixels (an exact copy where the sizes match).
    void paintStretched(const QImage &source, const QRect &target);
    // The same from a stored picture, through its kept rendering of that size.
    void paintStretched(const StoredPicture &source, const QRect &target);
    void clearSurface();
    // The drawn surface in device pixels, and device pixels per pixel of the box.
    const QImage &surface() const { return m_surface; }
    double surfaceRatio() const { return m_ratio; }

signals:
    void Change();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect innerRect() const;
    // Grows the surface to cover `size` pixels of the box.
    void growSurface(const QSize &size);

    StoredPicture m_picture;
    QImage m_corner; // the part of a picture held as bytes that the box shows
    QImage m_surface;
    double m_ratio = 1; // chosen when the surface is made, from the screen of that moment
    QColor m_back;
    Scale m_scale;
    bool m_border = true;
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
