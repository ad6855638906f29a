#include "platform/clipboard/wayland/datacontrolreader.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/services/log.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How long the compositor may take to announce its globals at start.
constexpr int kConnectMs = 2000;
// How long a reader may wait for bytes made at its request (a 4K picture as BMP or PNG).
constexpr int kMakeMs = 20000;

int msUntil(Clock::time_point t)
{
    return static_cast<int>(
        std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count()));
}

void drain(int fd)
{
    uint64_t n = 0;
    while (::read(fd, &n, sizeof n) == sizeof n) {
    }
}

void wake(int fd)
{
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(fd, &one, sizeof one);
}

} // namespace

DataControlReader::DataControlReader(QByteArrayList imageTypes, Limits limits, Done done, std::function<void()> lost)
    : m_imageTypes(std::move(imageTypes))
    , m_limits(limits)
    , m_done(std::move(done))
    , m_lost(std::move(lost))
{
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    DataControl::Listener &self = *this;
    m_dc = std::make_unique<DataControl>(self, kConnectMs);
    m_reached = m_dc->reached();
    if (m_wake < 0 || !m_dc->usable()) {
        m_problem = m_wake < 0 ? QStringLiteral("no wake-up counter") : m_dc->problem();
        m_dc.reset();
        return;
    }
    m_route = m_dc->route();
    m_markBase = QByteArray::number(QRandomGenerator::system()->generate64(), 16) + '-';
    m_thread = std::thread([this] { run(); });
}

DataControlReader::~DataControlReader()
{
    m_stop = true;
    if (m_thread.joinable()) {
        wake(m_wake);
        m_thread.join();
    }
    for (const Writer &w : m_writers)
        ::close(w.fd);
    if (m_dc) {
        for (const auto &[offer, offered] : m_offers)
            m_dc->destroyOffer(offer);
        for (const auto &[source, content] : m_sources)
            m_dc->destroySource(source);
    }
    m_dc.reset();
    if (m_wake >= 0)
        ::close(m_wake);
}

bool DataControlReader::available()
{
    // Closed before any offer comes: the device's first events are never read.
    struct Deaf : DataControl::Listener {
        void offerIntroduced(wl_proxy *) override {}
        void offerType(wl_proxy *, const char *) override {}
        void selection(wl_proxy *) override {}
        void primarySelection(wl_proxy *) override {}
        void deviceFinished() override {}
        void sendRequested(wl_proxy *, const char *, int fd) override { ::close(fd); }
        void sourceCancelled(wl_proxy *) override {}
    } deaf;
    return DataControl(deaf, kConnectMs).usable();
}

void DataControlReader::write(Content content, std::optional<unsigned> unlessChangedSince)
{
    if (!connected())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back({std::make_shared<const Content>(std::move(content)), unlessChangedSince, {}});
    }
    wake(m_wake);
}

void DataControlReader::putBack(Content content, unsigned number)
{
    if (!connected())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back({std::make_shared<const Content>(std::move(content)), {}, number});
    }
    wake(m_wake);
}

void DataControlReader::run()
{
    // A reader that leaves before we have written everything must not end
    // the program: the write fails with EPIPE instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    while (!m_stop) {
        if (m_fetched == m_changes) {
            pump(-1); // asleep until the compositor, a request or the end
            continue;
        }
        // Changes that came meanwhile are all about what the clipboard holds now: one fetch serves them.
        m_fetched = m_changes;
        // Our put-back came after another program's copy and replaced it:
        // the clipboard holds nothing new.
        if (m_selection && m_offers[m_selection].kept)
            continue;
        m_fetching = m_selection;
        Change c;
        c.number = m_fetched;
        if (m_fetching)
            c.holder = m_offers[m_fetching].own ? Holder::Us : Holder::Other;
        c.result = fetch(m_fetching);
        if (m_fetching && m_fetching != m_selection)
            forget(m_fetching);
        m_fetching = nullptr;
        if (m_stop)
            return;
        m_done(c);
    }
}

DataControlReader::Result DataControlReader::fetch(wl_proxy *offer)
{
    Result result;
    if (!offer)
        return result; // the clipboard is empty
    m_end = Clock::now() + std::chrono::milliseconds(m_limits.overallMs);
    m_givenUp = false;
    const QByteArrayList types = m_offers[offer].types;

    // The offer's MIME types; X11 programs' offers, bridged, name targets
    // such as UTF8_STRING as MIME types too. A pipe says nothing of its
    // bytes' encoding: a text is UTF-8 by the type asked alone.
    struct Pipe : OfferTransfer {
        DataControlReader &r;
        wl_proxy *offer;
        Pipe(DataControlReader &r, wl_proxy *offer) : r(r), offer(offer) {}
        std::optional<QByteArray> read(const QByteArray &type, qsizetype maxBytes, bool *cut, Answer *) override
        {
            return r.read(offer, type, maxBytes, cut);
        }
        bool givenUp() const override { return r.m_givenUp; }
    } pipe(*this, offer);
    return readOffer(types, pipe, m_imageTypes, m_limits, false);
}

std::optional<QByteArray> DataControlReader::read(wl_proxy *offer, const QByteArray &mime, qsizetype maxBytes,
                                                  bool *cut)
{
    // Only our end waits for nothing: the owner gets its end as pipes
    // come, blocking, since many owners take a full pipe (EAGAIN) for an
    // error and end their transfer there, after the first 64 KiB.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0 || ::fcntl(fds[0], F_SETFL, O_NONBLOCK) != 0) {
        qCWarning(lcClipboard) << "no pipe to read" << mime << "through:" << std::strerror(errno);
        return std::nullopt;
    }
    m_dc->receive(offer, mime, fds[1]);
    ::close(fds[1]); // the request holds a copy; the owner's end of the pipe is its own
    QByteArray bytes;
    auto patience = Clock::now() + std::chrono::milliseconds(m_limits.patienceMs);
    std::optional<QByteArray> out;
    for (;;) {
        if (m_stop || !m_dc->usable() || m_changes != m_fetched) {
            giveUp(m_stop ? Why::Stopped : m_changes != m_fetched ? Why::Overtaken : Why::Broken, mime);
            break;
        }
        const auto deadline = std::min(patience, m_end);
        if (Clock::now() >= deadline) {
            giveUp(deadline == m_end ? Why::Overall : Why::Silent, mime);
            break;
        }
        if (!pump(msUntil(deadline), fds[0]))
            continue;
        char chunk[64 * 1024];
        const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
        if (n == 0) {
            out = bytes; // the owner closed its end: all is here
            break;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            qCDebug(lcClipboard) << "reading" << mime << "failed:" << std::strerror(errno);
            break;
        }
        patience = Clock::now() + std::chrono::milliseconds(m_limits.patienceMs);
        const qsizetype take = std::min<qsizetype>(n, maxBytes - bytes.size());
        bytes.append(chunk, take);
        if (n > take) {
            // The rest is not wanted; the owner finds its pipe closed.
            *cut = true;
            out = bytes;
            break;
        }
    }
    ::close(fds[0]);
    return out;
}

bool DataControlReader::giveUp(Why why, const QByteArray &mime)
{
    m_givenUp = true;
    logGiveUp(why, mime, "the compositor", m_limits.patienceMs, m_limits.overallMs);
    return false;
}

bool DataControlReader::pump(int timeoutMs, int readFd)
{
    std::vector<pollfd> fds = {{m_wake, POLLIN, 0}};
    if (readFd >= 0)
        fds.push_back({readFd, POLLIN, 0});
    const size_t first = fds.size();
    for (const Writer &w : m_writers) {
        // Bytes still being made: their descriptor, not the reader's pipe.
        fds.push_back(w.making ? pollfd{w.making->readyFd(), POLLIN, 0} : pollfd{w.fd, POLLOUT, 0});
        const int left = msUntil(w.deadline);
        timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
    }
    if (!m_dc->pump(timeoutMs, fds))
        tellLost();
    if (fds[0].revents & POLLIN)
        drain(m_wake);
    takeRequests();
    serveWriters({fds.begin() + static_cast<std::ptrdiff_t>(first), fds.end()});
    return readFd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR));
}

void DataControlReader::takeRequests()
{
    std::vector<Request> requests;
    {
        const std::lock_guard lock(m_mutex);
        requests.swap(m_requests);
    }
    for (const Request &r : requests) {
        if (r.unlessChangedSince && *r.unlessChangedSince != m_foreign) {
            qCInfo(lcClipboard) << "content made ready for the clipboard is dropped: another program copied meanwhile";
            continue;
        }
        if (r.putBackAt && *r.putBackAt != m_changes) {
            qCInfo(lcClipboard) << "the last content does not go back: the clipboard changed meanwhile";
            continue;
        }
        if (r.content->empty()) {
            m_dc->setSelection(nullptr);
            continue;
        }
        QByteArrayList types;
        for (const Part &part : *r.content)
            types << part.type;
        const QByteArray mark = m_markBase + QByteArray::number(++m_marks);
        types << (r.putBackAt ? kKeptType : kOwnType) + mark;
        if (r.putBackAt)
            qCInfo(lcClipboard) << "the last clipboard content is back on the clipboard";
        wl_proxy *source = m_dc->createSource(types);
        m_sources[source] = {r.content, mark};
        m_dc->setSelection(source);
    }
}

// `fds` are the writers' as they were polled; writers added since are served next time.
void DataControlReader::serveWriters(const std::vector<pollfd> &fds)
{
    std::vector<Writer> kept;
    for (size_t i = 0; i < m_writers.size(); ++i) {
        Writer &w = m_writers[i];
        bool ended = false;
        if (w.making) {
            if (w.making->ready()) {
                w.bytes = w.making->bytes();
                w.making.reset();
                w.deadline = Clock::now() + std::chrono::milliseconds(m_limits.patienceMs);
                ended = w.bytes.isEmpty(); // could not be made: the reader gets nothing
            }
        } else if (i < fds.size() && fds[i].revents) {
            const ssize_t n = ::write(w.fd, w.bytes.constData() + w.written,
                                      static_cast<size_t>(std::min<qsizetype>(w.bytes.size() - w.written, 1 << 20)));
            if (n > 0) {
                w.written += n;
                w.deadline = Clock::now() + std::chrono::milliseconds(m_limits.patienceMs);
            }
            // EPIPE and the like: the reader has left.
            ended = w.written == w.bytes.size() || (n < 0 && errno != EAGAIN && errno != EINTR);
        }
        if (!ended && Clock::now() >= w.deadline) {
            if (w.making)
                qCWarning(lcClipboard) << "our clipboard content was not made ready within" << kMakeMs
                                       << "ms; the transfer is closed";
            else
                qCInfo(lcClipboard) << "a program asking for our clipboard content read nothing for"
                                    << m_limits.patienceMs << "ms; its transfer is closed";
            ended = true;
        }
        if (ended)
            ::close(w.fd);
        else
            kept.push_back(std::move(w));
    }
    m_writers.swap(kept);
}

void DataControlReader::forget(wl_proxy *offer)
{
    m_dc->destroyOffer(offer);
    m_offers.erase(offer);
}

void DataControlReader::offerIntroduced(wl_proxy *offer)
{
    m_offers[offer] = {};
}

void DataControlReader::offerType(wl_proxy *offer, const char *mime)
{
    Offered &o = m_offers[offer];
    const QByteArray type(mime);
    if (type.startsWith(kOwnType) || type.startsWith(kKeptType)) {
        o.keptMark = type.startsWith(kKeptType);
        o.mark = type.mid(o.keptMark ? sizeof kKeptType - 1 : sizeof kOwnType - 1);
    } else {
        o.types << type;
    }
}

void DataControlReader::selection(wl_proxy *offer)
{
    // A source of ours that is no longer the selection has been cancelled by now.
    if (offer) {
        Offered &o = m_offers[offer];
        o.own = !o.mark.isEmpty() && std::any_of(m_sources.cbegin(), m_sources.cend(), [&](const auto &s) {
            return s.second.mark == o.mark;
        });
        o.kept = o.own && o.keptMark;
    }
    if (!offer || !m_offers[offer].kept)
        ++m_changes;
    if (offer && !m_offers[offer].own)
        ++m_foreign;
    if (m_selection && m_selection != m_fetching)
        forget(m_selection);
    m_selection = offer;
}

void DataControlReader::primarySelection(wl_proxy *offer)
{
    if (offer)
        forget(offer); // only the clipboard is captured
}

void DataControlReader::deviceFinished()
{
    qCWarning(lcClipboard) << "the compositor ended data control: no further clipboard change is seen";
    tellLost();
}

void DataControlReader::tellLost()
{
    if (m_lostTold || m_stop)
        return;
    m_lostTold = true;
    if (m_lost)
        m_lost();
}

void DataControlReader::sendRequested(wl_proxy *source, const char *mime, int fd)
{
    const auto it = m_sources.find(source);
    const Part *part = nullptr;
    if (it != m_sources.end()) {
        for (const Part &p : *it->second.content) {
            if (p.type == mime)
                part = &p;
        }
    }
    if (!part || (part->bytes.isEmpty() && !part->later) || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    std::shared_ptr<LazyBytes> making;
    if (part->bytes.isEmpty()) {
        part->later->start(); // once, for every reader of this type
        making = part->later;
    }
    const int waitMs = making ? kMakeMs : m_limits.patienceMs;
    m_writers.push_back({fd, part->bytes, 0, Clock::now() + std::chrono::milliseconds(waitMs), making});
}

void DataControlReader::sourceCancelled(wl_proxy *source)
{
    m_dc->destroySource(source);
    m_sources.erase(source);
}
