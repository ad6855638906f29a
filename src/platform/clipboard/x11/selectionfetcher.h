#pragma once
// Fetches the X11 CLIPBOARD selection on a thread of its own: the offered
// targets, then what readOffer (change.h) asks of them. A change to another
// owner cancels the fetch in progress at once (the clipboard has moved on,
// and a change never waits for an older one); a fetch gives up when the
// owner stops making progress, and in any case after an overall limit.

#include "platform/clipboard/change.h"

#include <QByteArrayList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class SelectionFetcher
{
public:
    using Result = ChangeContent;
    using Limits = ClipboardLimits;
    using Done = std::function<void(const Result &)>;

    // `imageTypes`: MIME types of images to ask for, most wanted first. A
    // change that carries this process's own picture mark brings the mark
    // instead of an image, when a window of the toolkit's connection owns
    // the clipboard: the mark offered by another program (a copy of ours
    // it took over, a stale one) counts for nothing, and its picture is read.
    SelectionFetcher(QByteArrayList imageTypes, Limits limits, Done done);
    ~SelectionFetcher();

    bool connected() const { return m_connected; }
    // Asks for a fetch of what the clipboard holds now; `done` runs on the
    // worker thread when it ends. A fetch still running from another owner
    // is abandoned; one from the same owner ends first. `change`: false when
    // the program only looks again (no change of the clipboard is noticed).
    // Returns the request's number, which the fetch serving it carries.
    unsigned request(bool change = true);
    // The same for an owner about to quit: the fetch also reads whole every
    // type of `listed` (all it offers when empty), in savedTargets.
    unsigned requestSave(const QByteArrayList &listed);
    // The number of the latest request so far.
    unsigned requested() const { return m_requested.load(); }
    // True for a window of the toolkit's connection (this process's clipboard).
    bool ownWindow(quint32 window) const;

    struct X; // the worker's own connection

private:
    void run();
    Result fetch(unsigned generation, const std::optional<QByteArrayList> &save);

    std::unique_ptr<X> m_x;
    QByteArrayList m_imageTypes;
    Limits m_limits;
    Done m_done;
    bool m_connected = false;
    // The window ids of the toolkit's connection: base and mask (none off X11).
    quint32 m_ownBase = 0, m_ownMask = 0;
    int m_wake = -1; // eventfd: a request or the end
    std::atomic<unsigned> m_requested{0};
    std::atomic<unsigned> m_changeRequested{0}; // the number of the latest request for a change
    unsigned m_served = 0;
    std::mutex m_saveMutex;        // also makes a request's number and kind one step
    QByteArrayList m_saveList;     // guarded by m_saveMutex
    unsigned m_saveRequested = 0; // the request that asked for it; guarded by m_saveMutex
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
