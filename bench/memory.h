#pragma once
// Resident memory of this process, in KiB (VmRSS from /proc/self/status).

#include <malloc.h>

#include <fstream>
#include <string>

inline long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

// Bytes the heap hands out at the moment.
inline long long heapBytesInUse()
{
    return static_cast<long long>(mallinfo2().uordblks);
}

// Bytes the heap hands out, large blocks (served by mmap) included.
inline long long allocatedBytes()
{
    const struct mallinfo2 m = mallinfo2();
    return static_cast<long long>(m.uordblks + m.hblkhd);
}
