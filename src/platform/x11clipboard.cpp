#include "platform/x11clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>

namespace {

// Image types to ask for, the lossless ones first.
QByteArrayList imageTypes()
{
    QByteArrayList out = {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/tiff",
                          "image/x-portable-pixmap"};
    for (const QByteArray &t : QImageReader::supportedMimeTypes()) {
        if (!out.contains(t) && t != "image/svg+xml")
            out << t;
    }
    return out;
}

} // namespace

X11Clipboard::X11Clipboard()
{
    m_fetcher = std::make_unique<SelectionFetcher>(
        imageTypes(), SelectionFetcher::Limits{}, [this](const SelectionFetcher::Result &r) {
            // Kept as the bytes it came as, with the pixels decoded here for the capture at hand.
            Snapshot s{r.text, r.image.isNull() ? StoredPicture()
                                                : StoredPicture::encoded(r.imageBytes, r.imageType, r.image)};
            const auto refused = r.refused;
            const QByteArray mark = r.ownMark;
            // Back to the user-interface thread; dropped if this object is gone.
            QMetaObject::invokeMethod(
                this,
                [this, s, refused, mark] {
                    if (refused)
                        emit pictureRefused(refused->size, refused->bytes);
                    deliver(s, mark);
                },
                Qt::QueuedConnection);
        });
    if (!connected())
        return;
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { m_fetcher->request(); });
    m_fetcher->request();
}

X11Clipboard::~X11Clipboard()
{
    m_fetcher.reset(); // joins the worker before the members it reports into go
}

bool X11Clipboard::connected() const
{
    return m_fetcher->connected();
}

void X11Clipboard::deliver(Snapshot snapshot, const QByteArray &ownMark)
{
    // The program's own copy: the picture it holds already, not a second one.
    // Should a newer copy have been made meanwhile, its change follows.
    if (!ownMark.isEmpty())
        snapshot.picture = ownPicture(ownMark);
    m_current = std::move(snapshot);
    ++m_snapshots;
    emit changed();
    // The capture has taken its pixels; what stays is the bytes.
    // (Pixels are a mapping of their own, returned when freed: no trim needed.)
    m_current.picture.forgetPixels();
}

bool X11Clipboard::GetFormat(int format)
{
    if (format == vbCFText)
        return m_current.text.has_value();
    if (format == vbCFBitmap)
        return !m_current.picture.isNull();
    return false;
}

std::optional<QString> X11Clipboard::GetText()
{
    return m_current.text;
}

QImage X11Clipboard::GetData()
{
    return m_current.picture.pixels();
}

StoredPicture X11Clipboard::GetPicture()
{
    return m_current.picture;
}
