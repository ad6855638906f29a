#include "platform/qtclipboard.h"

#include "platform/secrethint.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// What the clipboard offers; nothing when its owner marks it secret (the
// mark is asked for before any content). Through Qt a mark that cannot be
// read arrives empty, and is kept out like one that says secret.
const QMimeData *offered()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    const QString mark = QString::fromLatin1(secrethint::kTarget);
    if (data && data->hasFormat(mark) && secrethint::keepsOut(data->data(mark)))
        return nullptr;
    return data;
}

} // namespace

QtClipboard::QtClipboard()
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::changed);
}

bool QtClipboard::GetFormat(int format)
{
    const QMimeData *data = offered();
    if (!data)
        return false;
    if (format == vbCFText)
        return data->hasText();
    if (format == vbCFBitmap)
        return data->hasImage() || data->hasFormat(QStringLiteral("image/png")); // our own offer is PNG only
    return false;
}

std::optional<QString> QtClipboard::GetText()
{
    const QMimeData *data = offered();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

QImage QtClipboard::GetData()
{
    if (!offered())
        return {};
    return QGuiApplication::clipboard()->image(QClipboard::Clipboard);
}
