#include "platform/modalgate.h"

#include <QCoreApplication>
#include <QPointer>

#include <deque>
#include <utility>

namespace modalgate {

namespace {

int g_open = 0;
bool g_posted = false;
bool g_running = false;
std::deque<std::pair<QPointer<QObject>, std::function<void()>>> g_waiting;

void runWaiting();

void post()
{
    if (g_posted || g_waiting.empty() || !QCoreApplication::instance())
        return;
    g_posted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &runWaiting, Qt::QueuedConnection);
}

void runWaiting()
{
    g_posted = false;
    if (g_running)
        return; // the loop below is still at work further up the stack
    g_running = true;
    // One at a time: a piece of work may open a box again, and the rest then waits for it.
    while (!g_waiting.empty() && g_open == 0) {
        auto [context, work] = std::move(g_waiting.front());
        g_waiting.pop_front();
        if (context)
            work();
    }
    g_running = false;
}

} // namespace

bool open()
{
    return g_open > 0;
}

Scope::Scope()
{
    ++g_open;
}

Scope::~Scope()
{
    if (--g_open == 0)
        post();
}

bool pending()
{
    return !g_waiting.empty();
}

void whenClosed(QObject *context, std::function<void()> work)
{
    g_waiting.emplace_back(context, std::move(work));
    if (g_open == 0)
        post();
}

} // namespace modalgate
