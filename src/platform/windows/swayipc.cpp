#include "platform/windows/swayipc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace swayipc {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicLength = 6;
constexpr int kHeader = kMagicLength + 8;
constexpr quint32 kRunCommand = 0;
constexpr int kPatienceMs = 2000;
constexpr qsizetype kLargestReply = 64 << 20; // a tree of a few hundred windows is a megabyte

} // namespace

QString socketPath()
{
    return qEnvironmentVariable("SWAYSOCK");
}

QByteArray frame(quint32 type, const QByteArray &payload)
{
    QByteArray out(kMagic, kMagicLength);
    const auto length = static_cast<quint32>(payload.size());
    out.append(reinterpret_cast<const char *>(&length), sizeof length);
    out.append(reinterpret_cast<const char *>(&type), sizeof type);
    return out + payload;
}

std::optional<QByteArray> takeReply(QByteArray &buffer)
{
    if (buffer.size() < kHeader)
        return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, buffer.constData() + kMagicLength, sizeof length);
    if (!buffer.startsWith(QByteArray(kMagic, kMagicLength)) || length > kLargestReply) {
        buffer.clear();
        return QByteArray();
    }
    if (buffer.size() < kHeader + static_cast<qsizetype>(length))
        return std::nullopt;
    QByteArray payload = buffer.mid(kHeader, length);
    buffer.remove(0, kHeader + length);
    return payload;
}

bool succeeded(const QByteArray &payload)
{
    const QJsonArray results = QJsonDocument::fromJson(payload).array();
    if (results.isEmpty())
        return false;
    for (const QJsonValue &r : results) {
        if (!r.toObject().value(QStringLiteral("success")).toBool())
            return false;
    }
    return true;
}

void ask(quint32 type, const QByteArray &payload, std::function<void(std::optional<QByteArray>)> done)
{
    // One connection per command: a few a minute at most, and none kept
    // open against a compositor that may go.
    const QByteArray path = socketPath().toLocal8Bit();
    sockaddr_un address{};
    int fd = -1;
    if (!path.isEmpty() && path.size() < static_cast<qsizetype>(sizeof address.sun_path)) {
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    // A local socket connects at once or not at all; the command is a few
    // bytes, which its buffer takes whole.
    const QByteArray message = frame(type, payload);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::send(fd, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL) != message.size()) {
        if (fd >= 0)
            ::close(fd);
        QTimer::singleShot(0, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    auto buffer = std::make_shared<QByteArray>();
    auto finish = [notifier, fd, done = std::move(done)](std::optional<QByteArray> reply) {
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(fd);
        done(std::move(reply));
    };
    auto *timer = new QTimer(notifier);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, notifier, [notifier, finish] {
        if (notifier->isEnabled())
            finish(std::nullopt);
    });
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, fd, buffer, finish] {
        if (!notifier->isEnabled())
            return;
        char chunk[4096];
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            finish(std::nullopt);
            return;
        }
        buffer->append(chunk, got);
        if (std::optional<QByteArray> reply = takeReply(*buffer))
            finish(std::move(reply));
    });
    timer->start(kPatienceMs);
}

void run(const QByteArray &command, std::function<void(bool)> done)
{
    ask(kRunCommand, command, [done = std::move(done)](const std::optional<QByteArray> &reply) {
        done(reply && succeeded(*reply));
    });
}

std::optional<Framed> framed(const QByteArray &tree, quint32 window)
{
    std::function<std::optional<Framed>(const QJsonObject &)> walk = [&](const QJsonObject &node) -> std::optional<Framed> {
        if (node.value(QStringLiteral("window")).toInteger(-1) == window) {
            // The node's rect leaves out the title bar (deco_rect) above
            // it; window_rect is the content within the rest.
            const QJsonObject r = node.value(QStringLiteral("window_rect")).toObject(),
                              title = node.value(QStringLiteral("deco_rect")).toObject();
            return Framed{node.value(QStringLiteral("border")).toString() != QStringLiteral("none"),
                          QPoint(r.value(QStringLiteral("x")).toInt(),
                                 r.value(QStringLiteral("y")).toInt() + title.value(QStringLiteral("height")).toInt())};
        }
        for (const char *kids : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &kid : node.value(QLatin1String(kids)).toArray()) {
                if (std::optional<Framed> found = walk(kid.toObject()))
                    return found;
            }
        }
        return std::nullopt;
    };
    return walk(QJsonDocument::fromJson(tree).object());
}

} // namespace swayipc
