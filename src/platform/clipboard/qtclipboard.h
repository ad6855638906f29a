#pragma once
// The clipboard read through Qt, on the user-interface thread: where the
// program does not run on X11 (or cannot connect to it on a thread of its
// own). A change its owner marks secret offers nothing (see secrethint.h).

#include "platform/clipboard/clipboardwriter.h"

#include <optional>

class QMimeData;

class QtClipboard : public ClipboardWriter
{
    Q_OBJECT
public:
    // Raises `changed` for every change of the system clipboard.
    QtClipboard();
    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;

private:
    const QMimeData *offered();

    std::optional<bool> m_keptOut; // the secret mark's verdict on the change at hand
};
