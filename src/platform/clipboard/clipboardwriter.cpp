#include "platform/clipboard/clipboardwriter.h"

#include "platform/clipboard/imageoffer.h"
#include "platform/services/x11connection.h"

#include <QClipboard>
#include <QGuiApplication>

ClipboardWriter::ClipboardWriter()
{
    // Only X11 serves other programs; elsewhere the clipboard is in-process.
    if (x11::onX11())
        m_offer = std::make_unique<ImageOffer>();
}

ClipboardWriter::~ClipboardWriter() = default;

bool ClipboardWriter::offerPending() const
{
    return m_offer && m_offer->pending();
}

void ClipboardWriter::SetText(const QString &text)
{
    if (m_offer)
        m_offer->cancel();
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void ClipboardWriter::SetData(const QImage &image)
{
    if (m_offer)
        m_offer->offer(image);
    else
        QGuiApplication::clipboard()->setImage(image, QClipboard::Clipboard);
}

void ClipboardWriter::SetPicture(const StoredPicture &picture)
{
    if (m_offer)
        m_offer->offerStored(picture);
    else
        QGuiApplication::clipboard()->setImage(picture.pixels(), QClipboard::Clipboard);
}

StoredPicture ClipboardWriter::ownPicture(const QByteArray &mark) const
{
    return m_offer ? m_offer->own(mark) : StoredPicture();
}

void ClipboardWriter::Clear()
{
    if (m_offer)
        m_offer->cancel();
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}
