#include "forms/controls.h"

#include "forms/keys.h"
#include "forms/twips.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

// ---- events ---------------------------------------------------------------

ControlEvents::ControlEvents(QWidget *control)
    : QObject(control)
{
    setObjectName(QStringLiteral("merkolo.events"));
    control->installEventFilter(this);
    control->setMouseTracking(true);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(control)) {
        area->viewport()->installEventFilter(this);
        area->viewport()->setMouseTracking(true);
    }
}

ControlEvents *events(QWidget *control)
{
    if (auto *e = control->findChild<ControlEvents *>(QStringLiteral("merkolo.events"),
                                                      Qt::FindDirectChildrenOnly))
        return e;
    return new ControlEvents(control);
}

namespace {
// The focus stays on its control while another window (another program, a
// message box, a pop-up menu) is active; only moves between controls count.
bool activationOnly(const QFocusEvent *event)
{
    return event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
}
} // namespace

bool ControlEvents::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *m = static_cast<QMouseEvent *>(event);
        m_pressedInside = true;
        emit MouseDown(keys::buttonState(m->button()), keys::shiftState(m->modifiers()),
                       m->position().toPoint().x(), m->position().toPoint().y());
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto *m = static_cast<QMouseEvent *>(event);
        const QPoint p = m->position().toPoint();
        const bool inside = m_pressedInside && w->rect().contains(p);
        m_pressedInside = false;
        emit MouseUp(keys::buttonState(m->button()), keys::shiftState(m->modifiers()), p.x(), p.y());
        if (inside && m->button() == Qt::LeftButton)
            emit Click();
        break;
    }
    case QEvent::MouseButtonDblClick:
        emit DblClick();
        break;
    case QEvent::MouseMove: {
        auto *m = static_cast<QMouseEvent *>(event);
        const QPoint p = m->position().toPoint();
        emit MouseMove(keys::buttonState(m->buttons()), keys::shiftState(m->modifiers()), p.x(), p.y());
        break;
    }
    case QEvent::FocusIn:
        if (!activationOnly(static_cast<QFocusEvent *>(event)))
            emit GotFocus();
        break;
    case QEvent::FocusOut:
        if (!activationOnly(static_cast<QFocusEvent *>(event)))
            emit LostFocus();
        break;
    case QEvent::KeyPress: {
        auto *k = static_cast<QKeyEvent *>(event);
        emit KeyDown(keys::virtualKey(k->key()), keys::shiftState(k->modifiers()));
        break;
    }
    default:
        break;
    }
    return false;
}

// ---- helpers --------------------------------------------------------------

void setPlainToolTip(QWidget *control, const QString &text)
{
    control->setProperty("merkolo.tooltip", text);
    if (text.isEmpty()) {
        control->setToolTip(QString());
        return;
    }
    // A tooltip that looks like markup would be rendered; escape it so the
    // text is shown exactly as it stands.
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    control->setToolTip(QStringLiteral("<p style='white-space:pre'>") + html + QStringLiteral("</p>"));
}

QString plainToolTip(const QWidget *control)
{
    return control->property("merkolo.tooltip").toString();
}

QFont boldSansSerif()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(8.25);
    f.setBold(true);
    return f;
}

QFont condensedSansSerif()
{
    QFont f = boldSansSerif();
    f.setBold(false);
    f.setStretch(QFont::SemiCondensed);
    return f;
}

void setColours(QWidget *control, const QColor &background, const QColor &text)
{
    QPalette p = control->palette();
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        if (background.isValid())
            p.setColor(role, background);
    }
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        if (text.isValid())
            p.setColor(role, text);
    }
    control->setPalette(p);
    control->setAutoFillBackground(true);
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height, const QString &toolTip)
{
    auto *b = new QPushButton(caption, parent);
    twips::place(b, left, top, width, height);
    if (!toolTip.isEmpty())
        setPlainToolTip(b, toolTip);
    return b;
}

QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width, int height)
{
    auto *l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setText(caption);
    twips::place(l, left, top, width, height);
    return l;
}

PictureBox *makeIconBox(QWidget *parent, const QImage &image, int left, int top, int width, int height,
                        const QString &toolTip, QPalette::ColorRole back)
{
    auto *box = new PictureBox(parent, PictureBox::Scale::Twips);
    twips::place(box, left, top, width, height);
    box->setBorder(false);
    box->setBackColor(parent->palette().color(back));
    box->setPicture(image);
    setPlainToolTip(box, toolTip);
    return box;
}

void makeGraphical(QPushButton *button)
{
    button->setFont(boldSansSerif());
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: white; border: 1px solid #808080; padding: 0px; }"
        "QPushButton:pressed { background: #e0e0e0; }"));
}

// ---- check box ------------------------------------------------------------

namespace {

// The application's style, with the check mark's box no larger than the
// check box is high, and its face white whatever the background behind the
// box: a face in the background's colour (the viewer's grey, a button face)
// reads as a disabled box.
class FittedIndicatorStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        const auto *box = qstyleoption_cast<const QStyleOptionButton *>(option);
        if (element != PE_IndicatorCheckBox || !box || !(option->state & State_Enabled))
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        QStyleOptionButton white(*box);
        white.palette.setColor(QPalette::Base, Qt::white);
        QProxyStyle::drawPrimitive(element, &white, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int size = QProxyStyle::pixelMetric(metric, option, widget);
        if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) && widget && widget->height() > 0)
            return std::min(size, widget->height());
        return size;
    }
};

QStyle *fittedIndicatorStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new FittedIndicatorStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

CheckBox::CheckBox(const QString &caption, QWidget *parent)
    : QCheckBox(caption, parent)
    , m_givenFont(font())
{
    setStyle(fittedIndicatorStyle());
    connect(this, &QCheckBox::clicked, this, &CheckBox::Click);
}

void CheckBox::changeEvent(QEvent *event)
{
    QCheckBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_fitting) {
        m_givenFont = font();
        fitFont();
    }
}

void CheckBox::resizeEvent(QResizeEvent *event)
{
    QCheckBox::resizeEvent(event);
    fitFont();
}

void CheckBox::fitFont()
{
    QFont fitted = m_givenFont;
    if (height() > 0 && QFontMetrics(fitted).height() > height()) {
        int px = QFontInfo(fitted).pixelSize();
        while (px > 6 && QFontMetrics(fitted).height() > height())
            fitted.setPixelSize(--px);
    }
    if (fitted == font())
        return;
    m_fitting = true;
    setFont(fitted);
    m_fitting = false;
}

int CheckBox::Value() const
{
    switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void CheckBox::setValue(int value)
{
    if (value < 0 || value > 2 || value == Value())
        return;
    if (value == 2)
        setTristate(true);
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    emit Click();
}

// ---- option button --------------------------------------------------------

OptionButton::OptionButton(const QString &caption, QWidget *parent)
    : QRadioButton(caption, parent)
{
    connect(this, &QRadioButton::clicked, this, &OptionButton::Click);
}

void OptionButton::setValue(bool selected)
{
    if (selected == isChecked())
        return;
    if (!selected) {
        setAutoExclusive(false);
        setChecked(false);
        setAutoExclusive(true);
        return;
    }
    setChecked(true);
    emit Click();
}

// ---- text boxes -----------------------------------------------------------

TextBox::TextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::edited);
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    // The editor takes no tab from a key with Ctrl held; this one is meant as a tab.
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
        insertPlainText(QStringLiteral("\t"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextBox::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_setting = true;
    setPlainText(text);
    m_setting = false;
    emit Change();
}

void TextBox::edited()
{
    if (m_setting)
        return;
    QString typed = toPlainText();
    if (typed == m_text)
        return;
    m_text = std::move(typed);
    emit Change();
}

LineTextBox::LineTextBox(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &LineTextBox::Change);
}

void LineTextBox::setText(const QString &text)
{
    if (text != QLineEdit::text())
        QLineEdit::setText(text);
}
