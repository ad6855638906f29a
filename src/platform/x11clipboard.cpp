#include "platform/x11clipboard.h"

#include "platform/clipboardtypes.h"

#include <QClipboard>
#include <QGuiApplication>

X11Clipboard::X11Clipboard()
{
    m_fetcher = std::make_unique<SelectionFetcher>(
        imageTypes(), SelectionFetcher::Limits{}, [this](const SelectionFetcher::Result &r) {
            Snapshot s{r.text, r.image};
            const auto refused = r.refused;
            // Back to the user-interface thread; dropped if this object is gone.
            QMetaObject::invokeMethod(
                this,
                [this, s, refused] {
                    if (refused)
                        emit pictureRefused(refused->size, refused->bytes);
                    deliver(s);
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

void X11Clipboard::deliver(const Snapshot &snapshot)
{
    m_current = snapshot;
    ++m_snapshots;
    emit changed();
}

bool X11Clipboard::GetFormat(int format)
{
    if (format == vbCFText)
        return m_current.text.has_value();
    if (format == vbCFBitmap)
        return !m_current.image.isNull();
    return false;
}

std::optional<QString> X11Clipboard::GetText()
{
    return m_current.text;
}

QImage X11Clipboard::GetData()
{
    return m_current.image;
}
