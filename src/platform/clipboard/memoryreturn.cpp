#include "platform/clipboard/memoryreturn.h"

#include <QCoreApplication>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace memoryreturn {

namespace {

bool g_due = false;
int g_trims = 0;

} // namespace

void mapLargeBuffersApart()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
#endif
}

int trimNow()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    return ++g_trims;
}

void afterRelease()
{
    if (g_due || !QCoreApplication::instance())
        return;
    g_due = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        g_due = false;
        trimNow();
    });
}

} // namespace memoryreturn
