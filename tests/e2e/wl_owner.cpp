// A clipboard owner on Wayland for the e2e suite: takes the clipboard
// through data control with the given types, says "owner" once it holds it
// and "asked TYPE" for each request, and answers each type as told.
// Usage: wl_owner TYPE=VALUE... (split at the last "="), VALUE: the text,
// @FILE for a file's bytes, ! never to write (the pipe stays open), ~ to
// write without end, %TEXT to write TEXT a byte at a time, 400 ms apart.

#include "platform/clipboard/wayland/datacontrol.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Owner : DataControl::Listener {
    std::map<QByteArray, QByteArray> values;
    DataControl *dc = nullptr;
    int selections = 0;
    bool cancelled = false;
    std::vector<int> endless;
    std::map<int, QByteArray> dripping; // what is left to write, a byte a step

    void offerIntroduced(wl_proxy *) override {}
    void offerType(wl_proxy *, const char *) override {}
    void selection(wl_proxy *offer) override
    {
        if (++selections == 2)
            std::printf("owner\n"); // the first is the clipboard before ours
        std::fflush(stdout);
        if (offer)
            dc->destroyOffer(offer);
    }
    void primarySelection(wl_proxy *offer) override
    {
        if (offer)
            dc->destroyOffer(offer);
    }
    void deviceFinished() override { cancelled = true; }
    void sourceCancelled(wl_proxy *) override { cancelled = true; }
    void sendRequested(wl_proxy *, const char *mime, int fd) override
    {
        std::printf("asked %s\n", mime);
        std::fflush(stdout);
        const QByteArray &v = values[mime];
        if (v == "!")
            return; // the pipe stays open, unwritten
        if (v == "~" && ::fcntl(fd, F_SETFL, O_NONBLOCK) == 0)
            return endless.push_back(fd);
        if (v.startsWith('%')) {
            dripping[fd] = v.mid(1);
            return;
        }
        for (qsizetype at = 0, n = 0; at < v.size() && n >= 0; at += n)
            n = ::write(fd, v.constData() + at, static_cast<size_t>(v.size() - at));
        ::close(fd);
    }
};

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    Owner owner;
    QByteArrayList types;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const qsizetype eq = arg.lastIndexOf('=');
        QByteArray value = arg.mid(eq + 1);
        QFile file(QString::fromLocal8Bit(value.mid(1)));
        if (value.startsWith('@') && file.open(QIODevice::ReadOnly))
            value = file.readAll();
        types << arg.left(eq);
        owner.values[arg.left(eq)] = value;
    }
    DataControl dc(owner, 5000);
    owner.dc = &dc;
    if (!dc.usable()) {
        std::fprintf(stderr, "wl_owner: %s\n", qPrintable(dc.problem()));
        return 1;
    }
    while (owner.selections < 1 && dc.pump(5000)) {
    }
    dc.setSelection(dc.createSource(types));
    const QByteArray endless(64 * 1024, 'x');
    while (!owner.cancelled) {
        std::vector<pollfd> fds;
        for (int fd : owner.endless)
            fds.push_back({fd, POLLOUT, 0});
        if (!dc.pump(owner.dripping.empty() ? -1 : 400, fds))
            return 1;
        for (auto it = owner.dripping.begin(); it != owner.dripping.end();) {
            auto &[fd, left] = *it;
            if (left.isEmpty() || ::write(fd, left.constData(), 1) != 1) {
                ::close(fd);
                it = owner.dripping.erase(it);
                continue;
            }
            left.remove(0, 1);
            ++it;
        }
        for (const pollfd &p : fds) {
            if (p.revents && ::write(p.fd, endless.constData(), endless.size()) < 0 && errno != EAGAIN) {
                ::close(p.fd); // the reader has had enough
                std::erase(owner.endless, p.fd);
            }
        }
    }
    return 0;
}
