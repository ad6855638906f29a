#pragma once
// The clipboard on Wayland desktops that offer data control (KDE Plasma,
// sway and other wlroots compositors): read and written on a connection
// and a thread of its own, whatever window has the focus, while the
// windows stay on X11 (Xwayland). Each change is delivered as one snapshot,
// in the order of the changes, as on X11; our own copies go on the
// clipboard through a source of ours and come back as changes like any other.

#include "platform/services.h"
#include "platform/wayland/datacontrolreader.h"

#include <QThreadPool>

#include <atomic>
#include <memory>
#include <mutex>

class WaylandClipboard : public Clipboard
{
    Q_OBJECT
public:
    // Connects to the compositor WAYLAND_DISPLAY names; reads nothing
    // unless connected(). What the clipboard holds at start is fetched first.
    WaylandClipboard();
    ~WaylandClipboard() override;

    // True when the compositor offers data control and the worker runs.
    bool connected() const { return m_reader->connected(); }
    // The protocol in use, or why none can be, for the log.
    QByteArray route() const { return m_reader->route(); }
    QString problem() const { return m_reader->problem(); }

    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    void SetText(const QString &text) override;
    // The picture is encoded as PNG on a thread of the pool first; a later
    // write of ours, or another program's copy meanwhile, drops it.
    void SetData(const QImage &image) override;
    void Clear() override;

    // Snapshots delivered so far; the first is what the clipboard held at start.
    int snapshots() const { return m_snapshots; }
    // True while a picture is being made ready for the clipboard.
    bool offerPending() const { return m_pending != nullptr; }

private:
    struct Encoding {
        std::atomic<bool> dropped{false};
    };
    void drop();

    std::optional<QString> m_text;
    QImage m_image;
    int m_snapshots = 0;
    std::shared_ptr<Encoding> m_pending;
    std::mutex m_writing; // a dropped picture's write and the write that dropped it never cross
    std::atomic<bool> m_stopping{false};
    QThreadPool m_pool;
    std::unique_ptr<DataControlReader> m_reader;
};
