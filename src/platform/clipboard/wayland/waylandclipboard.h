#pragma once
// The clipboard on Wayland desktops that offer data control (KDE Plasma,
// sway and other wlroots compositors): read and written on a connection
// and a thread of its own, whatever window has the focus, while the
// windows stay on X11 (Xwayland). Each change is delivered as one snapshot,
// in the order of the changes, as on X11; our own copies go on the
// clipboard through a source of ours and come back as changes like any other.
//
// The clipboard outlives the programs that fill it: when it is left empty
// right after another program's change, what was read whole of that change
// goes back on it through a source of ours, once (see keptcontent.h), and
// that is no change. Whether its owner ended or a running program emptied
// it, Wayland does not tell: both go back. An empty clipboard after our own
// copy or our own put-back was emptied on purpose (our sources live as long
// as we do) and stays empty. There is no clipboard manager on Wayland to
// hand our own content to at the end: it goes with the program.

#include "platform/clipboard/keptcontent.h"
#include "platform/clipboard/snapshotreader.h"
#include "platform/clipboard/wayland/datacontrolreader.h"

#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class WaylandClipboard : public SnapshotReader<Clipboard>
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

    void SetText(const QString &text) override;
    // The picture is encoded as PNG on a thread of the pool first; a later
    // write of ours, or another program's copy meanwhile, drops it.
    void SetData(const QImage &image) override;
    void SetPicture(const StoredPicture &picture) override;
    void Clear() override;

    // True while a picture is being made ready for the clipboard.
    bool offerPending() const { return m_pending != nullptr; }

private:
    struct Encoding {
        std::atomic<bool> dropped{false};
    };
    void arrived(const DataControlReader::Change &c);
    void putBack(const KeptContent &kept, unsigned number);
    // Encodes `image` as PNG on a thread of the pool and hands it to `write`
    // there, unless a write of ours has dropped it meanwhile.
    void offerPicture(const StoredPicture &picture, std::function<void(const QByteArray &png)> write);
    // A write of ours replaces what was pending and what was kept.
    void drop();
    static DataControlReader::Content textContent(const QString &text);

    KeptClipboard m_kept; // of the last change, while it is another program's
    std::shared_ptr<Encoding> m_pending;
    std::mutex m_writing; // a dropped picture's write and the write that dropped it never cross
    std::atomic<bool> m_stopping{false};
    QThreadPool m_pool;
    std::unique_ptr<DataControlReader> m_reader;
};
