#pragma once
// Commands to the sway compositor the program runs under, through its IPC
// socket (SWAYSOCK). sway centres every floating X11 window whatever place
// it states, on mapping and on each change of its size; a command moves
// it to the place the program chose.

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

namespace swayipc {

// The socket of the sway session the program runs in, empty when none.
QString socketPath();

// Sends one message and calls `done` once, from the event loop, with the
// reply's payload; nothing when the socket cannot be reached or gives no
// whole reply within two seconds.
void ask(quint32 type, const QByteArray &payload, std::function<void(std::optional<QByteArray>)> done);

// Message types of sway's socket.
constexpr quint32 kGetTree = 4;

// Sends one message and calls `done` once, from the event loop, with the
// reply's payload; nothing when the socket cannot be reached or gives no
// whole reply within two seconds.
void ask(quint32 type, const QByteArray &payload, std::function<void(std::optional<QByteArray>)> done);

// Runs one command (sway's command language) and calls `done` once, from
// the event loop, with true when sway ran every part of it. An unreachable
// socket, an error or no answer within two seconds give false.
void run(const QByteArray &command, std::function<void(bool)> done);

// The message sway's socket takes: the magic, the payload's length and
// the message type in native byte order, then the payload.
QByteArray frame(quint32 type, const QByteArray &payload);
// The payload of a whole reply at the front of `buffer`, which loses it;
// nothing while the reply is incomplete. A wrong magic yields an empty
// payload and empties the buffer.
std::optional<QByteArray> takeReply(QByteArray &buffer);
// True when a RUN_COMMAND reply says every command succeeded.
bool succeeded(const QByteArray &payload);

// An X11 window as sway shows it: whether sway has drawn its frame yet
// (right after mapping it reports none, and the content's offset as if
// there were none) and where its content lies within that frame.
struct Framed {
    bool drawn = false;
    QPoint content;
};
// The X11 window `window` in a GET_TREE reply; nothing when sway has no
// such window (yet).
std::optional<Framed> framed(const QByteArray &tree, quint32 window);

} // namespace swayipc
