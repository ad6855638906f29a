#include "platform/services/modalgate.h"

ModalGate::Scope::Scope(ModalGate &gate) : m_gate(gate)
{
    ++m_gate.m_open;
}

ModalGate::Scope::~Scope()
{
    if (--m_gate.m_open == 0)
        m_gate.post();
}

void ModalGate::whenClosed(QObject *context, std::function<void()> work)
{
    m_waiting.emplace_back(context, std::move(work));
    if (m_open == 0)
        post();
}

void ModalGate::post()
{
    if (m_posted || m_waiting.empty())
        return;
    m_posted = true;
    // Queued on the gate itself: a gate that is gone runs nothing.
    QMetaObject::invokeMethod(this, &ModalGate::runWaiting, Qt::QueuedConnection);
}

void ModalGate::runWaiting()
{
    m_posted = false;
    if (m_running)
        return; // the loop below is still at work further up the stack
    m_running = true;
    // One at a time: a piece of work may open a box again, and the rest then waits for it.
    while (!m_waiting.empty() && m_open == 0) {
        auto [context, work] = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (context)
            work();
    }
    m_running = false;
}
