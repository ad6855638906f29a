// The text list and the history: what was kept is listed when the window
// loads; from then on every entry added, removed or cleared is handed on.

#include "Textform.h"

#include "platform/history/history.h"
#include "platform/services/services.h"

void Textform::keepHistory()
{
    ListModel *model = List1[0]->entries();
    if (History *history = services().history) {
        const QStringList kept = history->takeTexts(ListModel::kMaxEntries - model->rowCount());
        model->appendAll(kept);
    }
    // The history may be switched on or off while the program runs: each
    // change asks for it anew.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this, model](const QModelIndex &, int first, int last) {
        if (History *history = services().history)
            for (int row = first; row <= last; ++row)
                history->textAppended(model->entries().at(row));
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        if (History *history = services().history)
            for (int row = first; row <= last; ++row)
                history->textRemoved(first);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        if (History *history = services().history)
            history->textsReplaced(model->entries());
    });
}

void Textform::historyAttached()
{
    if (History *history = services().history)
        history->textsReplaced(List1[0]->entries()->entries());
}
