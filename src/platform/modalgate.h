#pragma once
// While a message box of the program is open, its nested event loop would
// run work that belongs after the answer (a capture arriving meanwhile).
// Such work waits here and runs, in the order it came, once every box is
// closed and the handler that asked has finished.

#include <QObject>

#include <functional>

namespace modalgate {

// True while a message box of the program is open.
bool open();

// Held by a message box for as long as it is open.
class Scope
{
public:
    Scope();
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

// Runs `work` from the event loop once no message box is open, unless
// `context` is gone by then. Work queued earlier runs first.
void whenClosed(QObject *context, std::function<void()> work);

// True while work given to whenClosed waits to run: what comes now must
// queue behind it to keep its place.
bool pending();

} // namespace modalgate
