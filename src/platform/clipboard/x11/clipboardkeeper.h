#pragma once
// The clipboard manager's part on X11, on a thread with a connection of its
// own: it watches the CLIPBOARD's owner (XFixes), holds the CLIPBOARD_MANAGER
// selection while no other program does (and steps back when another manager
// takes it), takes the SAVE_TARGETS requests of owners about to quit, and at
// the program's end asks another running manager to take what the program put
// on the clipboard. What goes back on the clipboard is decided by the
// user-interface side (x11clipboard.h); this side only talks to X, and
// serves the types an owner that quit left with us, exactly as they came.

#include "platform/clipboard/change.h"

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ClipboardKeeper
{
public:
    // A SAVE_TARGETS request: whether the owner's list names a text type and a
    // picture type (both true when it names nothing and leaves the choice to us).
    struct Save {
        unsigned id = 0;
        bool text = true;
        bool picture = true;
        QByteArrayList listed; // the types it names (empty: all it offers)
    };
    // Called on the keeper's thread.
    struct Events {
        // The clipboard has no owner any more. `ended`: its owner's window or
        // client went (not a clear); `manager`: we hold the manager role;
        // `owner`: the window that owned it (0 when not known).
        std::function<void(bool ended, bool manager, quint32 owner)> ownerGone;
        // An owner about to quit asks us to keep its clipboard; answer() with the outcome.
        std::function<void(Save)> saveAsked;
        // The answer of another manager to handOver(); false at once when none runs.
        std::function<void(bool kept)> handedOver;
    };

    explicit ClipboardKeeper(Events events);
    ~ClipboardKeeper();

    // True when the thread has its connection and the server has XFixes.
    bool connected() const { return m_connected; }
    // True while we hold the CLIPBOARD_MANAGER selection.
    bool manager() const { return m_manager; }
    // Finishes the SAVE_TARGETS request `id`: kept, or refused.
    void answer(unsigned id, bool saved);
    // Takes the clipboard with the keeper's own window and offers `targets`
    // there exactly as they came, until another program takes it; then
    // finishes the SAVE_TARGETS request `id` (0: none) as kept. A large type
    // goes to its reader in chunks; that transfer ends when the reader's
    // window goes or it takes no chunk for ClipboardLimits' patience.
    void serve(std::vector<KeptTarget> targets, unsigned id);
    // The keeper's window, which owns the clipboard while it serves.
    quint32 window() const { return m_window; }
    bool serving() const { return m_serving; }
    // Requests of other programs for what the keeper serves, so far.
    unsigned served() const { return m_requests; }
    // Asks the program holding CLIPBOARD_MANAGER, if it is not us, to keep
    // the clipboard (SAVE_TARGETS); the answer comes through `handedOver`.
    void handOver();

    struct X;

private:
    void run();
    void post(std::function<void()> command);
    void handle(void *event);
    void takeManagerRole(quint32 time);

    std::unique_ptr<X> m_x;
    Events m_events;
    bool m_connected = false;
    std::atomic<bool> m_manager{false};
    std::atomic<bool> m_serving{false};
    std::atomic<unsigned> m_requests{0};
    quint32 m_window = 0;
    std::atomic<bool> m_stop{false};
    int m_wake = -1; // eventfd: a command or the end
    std::mutex m_mutex;
    std::vector<std::function<void()>> m_commands;
    std::thread m_thread;
};
