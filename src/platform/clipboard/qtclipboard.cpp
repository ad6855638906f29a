#include "platform/clipboard/qtclipboard.h"

#include "platform/clipboard/secrethint.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtClipboard::QtClipboard()
{
    // The offered types are looked at once per change (the question may wait
    // on the owner), so the verdict is forgotten before the change is passed on.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { m_keptOut.reset(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::changed);
}

// What the clipboard offers; nothing when its owner marks it secret (the
// offered types are looked at before any content, the mark's value never).
const QMimeData *QtClipboard::offered()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return nullptr;
    if (!m_keptOut)
        m_keptOut = secrethint::marks(data->formats());
    return *m_keptOut ? nullptr : data;
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
