#pragma once
// Reads and writes the clipboard through Wayland data control on a thread of
// its own, with the X11 reader's types, limits and secret mark: every change
// is fetched whatever window has the focus; a fetch gives up when the owner
// stops writing, in any case after an overall limit, and at once when a newer
// change comes, each costing only that change. Our own content is offered
// through sources of ours and served from the same thread, without blocking.
// Content put back on an empty clipboard (putBack) is no change: its
// selection is neither fetched nor delivered.

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/change.h"
#include "platform/clipboard/wayland/datacontrol.h"
#include "platform/clipboard/wayland/lazybytes.h"

#include <QByteArray>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class DataControlReader : private DataControl::Listener
{
public:
    using Result = ChangeContent;
    using Limits = ClipboardLimits;
    // One MIME type our content is offered in: its bytes, or bytes made
    // only when a reader first asks for them (`later`).
    struct Part {
        QByteArray type;
        QByteArray bytes;
        std::shared_ptr<LazyBytes> later;
    };
    using Content = std::vector<Part>;
    // Who held the clipboard for a change: nobody (it is empty), we, or another program.
    enum class Holder { Nobody, Us, Other };
    struct Change {
        Result result;
        Holder holder = Holder::Nobody;
        unsigned number = 0; // of the change, for putBack
    };
    using Done = std::function<void(const Change &)>;

    // `done` runs on the worker thread after each change, in their order;
    // the first is what the clipboard holds at start. `lost` runs there
    // once when the connection breaks or the compositor ends data control:
    // nothing is read or written after it.
    DataControlReader(QByteArrayList imageTypes, Limits limits, Done done, std::function<void()> lost = {});
    ~DataControlReader() override;

    // True when the compositor offers data control and the worker runs.
    bool connected() const { return m_thread.joinable(); }
    // True when the compositor WAYLAND_DISPLAY names answers and offers data
    // control, asked on a connection of its own that reads nothing.
    static bool available();
    QByteArray route() const { return m_route; }
    QString problem() const { return m_problem; }
    // True when the compositor took the connection, data control or not.
    bool reached() const { return m_reached; }

    // Puts `content` on the clipboard; empty content empties it. With
    // `unlessChangedSince`, dropped when another program's change has come
    // since foreignChanges() said that count.
    void write(Content content, std::optional<unsigned> unlessChangedSince = {});
    // Puts `content` on the clipboard left empty by the change `number`,
    // unless the clipboard has changed since; that is no change of its own.
    void putBack(Content content, unsigned number);
    // Changes of the clipboard by other programs seen so far.
    unsigned foreignChanges() const { return m_foreign; }

    // Each source of ours offers beside its content a type of its own, this
    // name followed by the source's mark, by which our own changes are known;
    // a put-back source offers kKeptType and its mark instead, by which its
    // selection is known as no change. The mark counts only while the source
    // bearing it is ours and alive: another program offering such a type (a
    // copy of our offer it took over, or made up) is another program's change.
    static constexpr char kOwnType[] = "application/x-merkolo-eigen-";
    static constexpr char kKeptType[] = "application/x-merkolo-bewahrt-";

private:
    struct Offered {
        QByteArrayList types;
        QByteArray mark; // of a source of ours, as the offer names it
        bool keptMark = false;
        bool own = false;  // set at its selection: the mark is a live source's
        bool kept = false; // and that source is a put-back
    };
    struct Request {
        std::shared_ptr<const Content> content;
        std::optional<unsigned> unlessChangedSince;
        std::optional<unsigned> putBackAt; // the change that left the clipboard empty
    };
    struct Writer {
        int fd;
        QByteArray bytes;
        qsizetype written;
        std::chrono::steady_clock::time_point deadline;
        std::shared_ptr<LazyBytes> making; // until its bytes are made
    };
    using Why = GiveUp;

    void run();
    Result fetch(wl_proxy *offer);
    std::optional<QByteArray> read(wl_proxy *offer, const QByteArray &mime, qsizetype maxBytes, bool *cut);
    bool giveUp(Why why, const QByteArray &mime);
    bool pump(int timeoutMs, int readFd = -1);
    void takeRequests();
    void serveWriters(const std::vector<pollfd> &fds);
    void forget(wl_proxy *offer);
    void tellLost();

    void offerIntroduced(wl_proxy *offer) override;
    void offerType(wl_proxy *offer, const char *mime) override;
    void selection(wl_proxy *offer) override;
    void primarySelection(wl_proxy *offer) override;
    void deviceFinished() override;
    void sendRequested(wl_proxy *source, const char *mime, int fd) override;
    void sourceCancelled(wl_proxy *source) override;

    QByteArrayList m_imageTypes;
    Limits m_limits;
    Done m_done;
    std::function<void()> m_lost;
    bool m_lostTold = false;
    std::unique_ptr<DataControl> m_dc;
    QByteArray m_route;
    QString m_problem;
    bool m_reached = false;

    // The worker's own, once it runs.
    std::map<wl_proxy *, Offered> m_offers;
    wl_proxy *m_selection = nullptr;
    wl_proxy *m_fetching = nullptr;
    unsigned m_changes = 0; // selection events so far, our put-backs not counted
    unsigned m_fetched = 0; // selection events a fetch has served
    struct Source {
        std::shared_ptr<const Content> content;
        QByteArray mark;
    };
    std::map<wl_proxy *, Source> m_sources;
    QByteArray m_markBase; // this reader's, random: a mark is this and a count
    quint64 m_marks = 0;
    std::vector<Writer> m_writers;
    std::chrono::steady_clock::time_point m_end; // of the fetch in progress
    bool m_givenUp = false;

    std::mutex m_mutex;
    std::vector<Request> m_requests; // guarded by m_mutex
    int m_wake = -1;                 // eventfd: a request or the end
    std::atomic<bool> m_stop{false};
    std::atomic<unsigned> m_foreign{0};
    std::thread m_thread;
};
