#include "platform/clipboard/wayland/lazybytes.h"

#include <sys/eventfd.h>
#include <unistd.h>

// Shared with the making thread, which may outlast nothing but this.
struct LazyBytes::State {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    QByteArray bytes; // written before done, read after it only
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ~State()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

LazyBytes::LazyBytes(Make make)
    : m_make(std::move(make))
    , m_state(std::make_shared<State>())
{
}

LazyBytes::~LazyBytes()
{
    m_state->stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void LazyBytes::start()
{
    if (m_thread.joinable() || m_state->done)
        return;
    if (m_state->fd < 0) {
        m_state->done = true; // nothing to wait on: served as nothing
        return;
    }
    m_thread = std::thread([state = m_state, make = m_make] {
        state->bytes = make(state->stop);
        state->done.store(true, std::memory_order_release);
        const uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(state->fd, &one, sizeof one);
    });
}

bool LazyBytes::ready() const
{
    return m_state->done.load(std::memory_order_acquire);
}

int LazyBytes::readyFd() const
{
    return m_state->fd;
}

QByteArray LazyBytes::bytes() const
{
    return ready() ? m_state->bytes : QByteArray();
}
