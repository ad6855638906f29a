#include "forms/controls.h"

#include "forms/keys.h"
#include "forms/twips.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionButton>
#include <QTimer>

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

// ---- list -----------------------------------------------------------------

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole)
        return oneLine(m_entries.at(index.row()));
    return {};
}

namespace {

// Invisible marks that reorder the text around them: shown as their code
// point, so that the line shows the characters in the order they are stored.
bool directionMark(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString ListModel::oneLine(const QString &text)
{
    qsizetype n = std::min<qsizetype>(text.size(), kShownChars);
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n; // never half a character
    QString shown;
    shown.reserve(n + 16);
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) {
            shown += QStringLiteral(" \u21b5 ");
            ++i;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            shown += QChar(0x21b5);
        } else if (directionMark(c.unicode())) {
            shown += QStringLiteral("[U+%1]").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        } else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
                   || c == QChar::ParagraphSeparator) {
            shown += QLatin1Char(' ');
        } else {
            shown += c;
        }
    }
    if (text.size() > n)
        shown += QChar(0x2026);
    return shown;
}

bool ListModel::append(const QString &text)
{
    if (m_entries.size() >= kMaxEntries)
        return false;
    const int row = static_cast<int>(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(text);
    endInsertRows();
    return true;
}

bool ListModel::removeAt(int row)
{
    if (row < 0 || row >= m_entries.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    return true;
}

void ListModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

ListBox::ListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new ListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_removing)
            return;
        const int now = ListIndex();
        if (now == m_lastIndex)
            return;
        m_lastIndex = now;
        if (now >= 0)
            emit Click();
    });
}

int ListBox::ListCount() const
{
    return m_model->rowCount();
}

int ListBox::ListIndex() const
{
    const QModelIndexList sel = selectionModel()->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

void ListBox::setListIndex(int index)
{
    if (index < 0 || index >= ListCount()) {
        m_lastIndex = -1;
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex idx = m_model->index(index);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
}

QString ListBox::List(int index) const
{
    const auto &e = m_model->entries();
    return index >= 0 && index < e.size() ? e.at(index) : QString();
}

QString ListBox::Text() const
{
    return List(ListIndex());
}

bool ListBox::AddItem(const QString &text)
{
    return m_model->append(text);
}

void ListBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        return;
    const bool wasSelected = index == ListIndex();
    // A removal never counts as a selection change, though the view moves its
    // selection to the next entry while the row goes.
    m_removing = true;
    m_model->removeAt(index);
    if (wasSelected)
        selectionModel()->clearSelection();
    m_removing = false;
    m_lastIndex = ListIndex();
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    QListView::keyPressEvent(event);
}

void ListBox::mousePressEvent(QMouseEvent *event)
{
    const int before = m_lastIndex;
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && before >= 0 && ListIndex() == before && m_lastIndex == before
        && indexAt(event->position().toPoint()).row() == before)
        emit Click();
}

void ListBox::Clear()
{
    m_lastIndex = -1;
    m_model->clear();
}

// ---- picture box ----------------------------------------------------------

PictureBox::PictureBox(QWidget *parent, Scale scale)
    : QWidget(parent)
    , m_back(palette().color(QPalette::Button))
    , m_scale(scale)
{
}

void PictureBox::setPicture(const QImage &picture)
{
    setPicture(StoredPicture(picture));
}

void PictureBox::setPicture(const StoredPicture &picture)
{
    m_picture = picture;
    m_corner = QImage();
    if (!m_picture.bytes().isEmpty() && m_picture.hasPixels()) {
        // What the box shows is cut now, while the pixels are at hand.
        m_corner = m_picture.pixels().copy(QRect(QPoint(0, 0), innerRect().size().boundedTo(m_picture.size())));
        QTimer::singleShot(0, this, [this, held = m_picture] {
            if (m_picture.sameAs(held))
                m_picture.forgetPixels();
        });
    }
    clearSurface();
    update();
    emit Change();
}

void PictureBox::setBackColor(const QColor &colour)
{
    m_back = colour;
    update();
}

void PictureBox::setBorder(bool on)
{
    m_border = on;
    update();
}

QRect PictureBox::innerRect() const
{
    const int b = m_border ? 2 : 0;
    return rect().adjusted(b, b, -b, -b);
}

double PictureBox::ScaleWidth() const
{
    const int px = std::max(0, innerRect().width());
    return m_scale == Scale::Pixels ? px : px * twips::perPixelX();
}

double PictureBox::ScaleHeight() const
{
    const int px = std::max(0, innerRect().height());
    return m_scale == Scale::Pixels ? px : px * twips::perPixelY();
}

namespace {

int devicePixels(int px, double ratio)
{
    return static_cast<int>(std::lround(px * ratio));
}

} // namespace

void PictureBox::growSurface(const QSize &size)
{
    if (m_surface.isNull())
        m_ratio = devicePixelRatioF();
    const QSize want =
        m_surface.size().expandedTo(QSize(devicePixels(size.width(), m_ratio), devicePixels(size.height(), m_ratio)));
    if (want == m_surface.size() || want.isEmpty())
        return;
    QImage grown(want, QImage::Format_ARGB32_Premultiplied);
    grown.fill(Qt::transparent);
    if (!m_surface.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, m_surface);
    }
    m_surface = std::move(grown);
}

void PictureBox::paintStretched(const QImage &source, const QRect &target)
{
    if (source.isNull() || target.isEmpty())
        return;
    growSurface(innerRect().size().expandedTo(QSize(target.right() + 1, target.bottom() + 1)));
    // The target's edges in device pixels, so that neighbouring targets meet without a gap.
    const QRect device(QPoint(devicePixels(target.left(), m_ratio), devicePixels(target.top(), m_ratio)),
                       QPoint(devicePixels(target.right() + 1, m_ratio) - 1,
                              devicePixels(target.bottom() + 1, m_ratio) - 1));
    QPainter p(&m_surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(device.topLeft(), StoredPicture::smoothlyScaled(source, device.size()));
    p.end();
    update();
}

void PictureBox::paintStretched(const StoredPicture &source, const QRect &target)
{
    if (source.isNull() || target.isEmpty())
        return;
    growSurface(innerRect().size().expandedTo(QSize(target.right() + 1, target.bottom() + 1)));
    const QRect device(QPoint(devicePixels(target.left(), m_ratio), devicePixels(target.top(), m_ratio)),
                       QPoint(devicePixels(target.right() + 1, m_ratio) - 1,
                              devicePixels(target.bottom() + 1, m_ratio) - 1));
    const QImage rendering = source.rendering(device.size());
    if (rendering.isNull())
        return;
    QPainter p(&m_surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(device.topLeft(), rendering);
    p.end();
    update();
}

void PictureBox::clearSurface()
{
    m_surface = QImage();
    update();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_surface.isNull())
        growSurface(innerRect().size());
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect inner = innerRect();
    p.fillRect(rect(), m_back);
    if (m_border) {
        p.setPen(QColor(128, 128, 128));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(QColor(64, 64, 64));
        p.drawLine(1, 1, width() - 2, 1);
        p.drawLine(1, 1, 1, height() - 2);
        p.setPen(Qt::white);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    }
    p.setClipRect(inner);
    if (!m_picture.isNull()) {
        if (m_picture.bytes().isEmpty()) {
            p.drawImage(inner.topLeft(), m_picture.pixels());
        } else {
            // A picture held as bytes shows its top left corner, cut once for the box's size.
            const QSize shown = inner.size().boundedTo(m_picture.size());
            if (m_corner.isNull() || m_corner.size().expandedTo(shown) != m_corner.size())
                m_corner = m_picture.pixels().copy(QRect(QPoint(0, 0), shown));
            p.drawImage(inner.topLeft(), m_corner);
        }
    }
    // Device pixel for device pixel on a screen of the surface's ratio.
    if (!m_surface.isNull())
        p.drawImage(QRectF(inner.topLeft(), QSizeF(m_surface.size()) / m_ratio), m_surface);
}
