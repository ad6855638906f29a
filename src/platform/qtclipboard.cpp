#include "platform/qtclipboard.h"

#include "platform/secrethint.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtClipboard::QtClipboard()
{
    // The mark is asked for once per change (each question may wait on the
    // owner), so it is forgotten before the change is passed on.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { m_keptOut.reset(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::changed);
}

// What the clipboard offers; nothing when its owner marks it secret (the
// mark is asked for before any content). Through Qt a mark that cannot be
// read arrives empty, and is kept out like one that says secret.
const QMimeData *QtClipboard::offered()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return nullptr;
    if (!m_keptOut) {
        const QString mark = QString::fromLatin1(secrethint::kTarget);
        m_keptOut = data->hasFormat(mark) && secrethint::keepsOut(data->data(mark));
    }
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
