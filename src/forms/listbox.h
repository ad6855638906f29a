#pragma once
// The list box of the design and the model of its entries.

#include "forms/twips.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

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
    // Appends as many of `texts` as fit, in one step; returns how many.
    int appendAll(const QStringList &texts);
    bool removeAt(int row);
    void clear();

    // How an entry is shown on its single line.
    static QString oneLine(const QString &text);

private:
    QStringList m_entries;
};

// A list box: entries in order, one selection at a time, at most 32767
// entries. Like the design's list boxes it shows whole rows only: placed in
// a height, it takes the largest of whole rows within it.
class ListBox : public QListView, public twips::FitsHeight
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
    int fittedHeight(int height) const override;

signals:
    void Click();

protected:
    // Copies nothing by itself: the window's own key handler decides what
    // Ctrl+C puts on the clipboard (the view would copy the shown line).
    void keyPressEvent(QKeyEvent *event) override;
    // A click on the entry that is already selected raises Click as well.
    void mousePressEvent(QMouseEvent *event) override;
    // Another font gives other rows: the height is fitted anew.
    void changeEvent(QEvent *event) override;

private:
    // The height of one row, entries or none.
    int rowHeight() const;

    ListModel *m_model;
    int m_lastIndex = -1;
    bool m_removing = false;
};
