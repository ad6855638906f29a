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
// it, data control does not tell: the compositor announces an empty
// clipboard alike, and the emptied source is cancelled alike. Both go back,
// once: a clear of the content put back stays a clear, and a change marked
// secret brought nothing to put back. An empty clipboard after our own
// copy or our own put-back was emptied on purpose (our sources live as long
// as we do) and stays empty. There is no clipboard manager on Wayland to
// hand our own content to at the end: it goes with the program.
//
// When the connection to the compositor breaks, the clipboard says so once
// (notice), reads and writes through X11 meanwhile where there is an X
// display, and goes back to data control once the compositor's socket
// answers again; the windows and what they hold are not touched.

#include "platform/clipboard/keptcontent.h"
#include "platform/clipboard/snapshotreader.h"
#include "platform/clipboard/wayland/datacontrolreader.h"

#include <QThreadPool>
#include <QTimer>

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
    bool reached() const { return m_reader->reached(); }

    void SetText(const QString &text) override;
    // The picture is encoded as PNG on a thread of the pool first; a later
    // write of ours, or another program's copy meanwhile, drops it.
    void SetData(const QImage &image) override;
    // A picture with its bytes goes on the clipboard at once, in the types
    // X11 offers it in: PNG, BMP and its own, each made when first asked for.
    void SetPicture(const StoredPicture &picture) override;
    void Clear() override;
    void keepAfterEnd() override;

    // True while a picture is being made ready for the clipboard.
    bool offerPending() const { return m_pending != nullptr; }
    // True while the connection has broken and X11 serves meanwhile.
    bool onX11Meanwhile() const { return m_x11 != nullptr; }
    // True once the connection has broken, until data control is back.
    bool lostConnection() const { return m_retry.isActive(); }
    // How often the program tries to reach the compositor again.
    static constexpr int kRetryMs = 1000;

private:
    struct Encoding {
        std::atomic<bool> dropped{false};
    };
    std::unique_ptr<DataControlReader> makeReader();
    void arrived(const DataControlReader::Change &c);
    void lost();
    void reconnect();
    void rejoin();
    void putBack(const KeptContent &kept, unsigned number);
    // Encodes `image` as PNG on a thread of the pool and hands it to `write`
    // there, unless a write of ours has dropped it meanwhile.
    void offerPicture(const StoredPicture &picture, std::function<void(const QByteArray &png)> write);
    // A write of ours replaces what was pending and what was kept.
    void drop();
    static DataControlReader::Content textContent(const QString &text);
    static DataControlReader::Content pictureContent(const StoredPicture &picture);

    KeptClipboard m_kept; // of the last change, while it is another program's
    std::shared_ptr<Encoding> m_pending;
    std::mutex m_writing; // a dropped picture's write and the write that dropped it never cross
    std::atomic<bool> m_stopping{false};
    QThreadPool m_pool;
    unsigned m_generation = 0; // of the reader in use: a broken one's late reports are dropped
    bool m_lostTold = false;   // the notice of a broken connection, once a run
    bool m_rejoined = false;   // the new reader's first change is no copy when empty
    bool m_probing = false;
    QTimer m_retry;
    std::unique_ptr<Clipboard> m_x11; // meanwhile, while the connection is broken
    int m_x11Changes = 0;
    std::unique_ptr<DataControlReader> m_reader; // guarded by m_writing where the pool writes
};
