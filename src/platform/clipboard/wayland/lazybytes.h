#pragma once
// Bytes of one type of our clipboard content made only when a reader first
// asks for them, once, on a thread of their own: a picture converted into
// another image type costs nothing until someone wants it, and the thread
// serving the clipboard goes on meanwhile. A descriptor turns readable
// when they are made, for poll(). Dropping the object stops the making.

#include <QByteArray>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class LazyBytes
{
public:
    // Makes the bytes; empty when they cannot be made or `stop` turned true.
    using Make = std::function<QByteArray(const std::atomic<bool> &stop)>;
    explicit LazyBytes(Make make);
    ~LazyBytes();
    LazyBytes(const LazyBytes &) = delete;
    LazyBytes &operator=(const LazyBytes &) = delete;

    // Starts the making; later calls do nothing.
    void start();
    bool started() const { return m_thread.joinable(); }
    bool ready() const;
    // Readable once ready(); -1 when no descriptor could be had (then ready() comes at once, empty).
    int readyFd() const;
    // The bytes, once ready(); empty before.
    QByteArray bytes() const;

private:
    struct State;
    Make m_make;
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};
