#include "forms/listbox.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

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

int ListModel::appendAll(const QStringList &texts)
{
    const int row = static_cast<int>(m_entries.size());
    const int count = static_cast<int>(std::min<qsizetype>(texts.size(), kMaxEntries - row));
    if (count <= 0)
        return 0;
    beginInsertRows(QModelIndex(), row, row + count - 1);
    m_entries.append(texts.mid(0, count));
    endInsertRows();
    return count;
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

int ListBox::fittedHeight(int height) const
{
    const int frame = 2 * frameWidth();
    const int row = rowHeight();
    if (row <= 0 || height - frame < row)
        return height;
    return frame + (height - frame) / row * row;
}

int ListBox::rowHeight() const
{
    // What the view's delegate gives a row of one line.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Ag");
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height() + 2 * spacing();
}

void ListBox::changeEvent(QEvent *event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        twips::setHeight(this, twips::of(this).height);
}

void ListBox::Clear()
{
    m_lastIndex = -1;
    m_model->clear();
}
