#pragma once
// Giving freed memory back to the system. With glibc a freed picture
// buffer often stays with the process: buffers below the allocator's
// mapping threshold (which grows to 32 MiB after the first large buffer
// is freed) come from its heaps, and a heap only shrinks from its top.
// Trimming releases the free pages of every heap.

namespace memoryreturn {

// Trims once the events of the moment are handled (when the pictures
// dropped by the running handler are gone); several calls, one trim.
void afterRelease();
// Trims now; the number of trims so far.
int trimNow();

} // namespace memoryreturn
