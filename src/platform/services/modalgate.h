#pragma once
// While a message box of the program is open, its nested event loop would
// run work that belongs after the answer (a capture arriving meanwhile).
// Such work waits at the gate and runs, in the order it came, once every box
// is closed and the handler that asked has finished. The message box service
// owns the gate, so each set of services (each test) has one of its own.

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <utility>

class ModalGate : public QObject
{
public:
    // True while a message box of the program is open.
    bool open() const { return m_open > 0; }

    // Held by a message box for as long as it is open.
    class Scope
    {
    public:
        explicit Scope(ModalGate &gate);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        ModalGate &m_gate;
    };

    // Runs `work` from the event loop once no message box is open, unless
    // `context` is gone by then. Work queued earlier runs first.
    void whenClosed(QObject *context, std::function<void()> work);

    // True while work given to whenClosed waits to run: what comes now must
    // queue behind it to keep its place.
    bool pending() const { return !m_waiting.empty(); }

private:
    void post();
    void runWaiting();

    int m_open = 0;
    bool m_posted = false;
    bool m_running = false;
    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> m_waiting;
};
