#pragma once
// Giving freed memory back to the system. With glibc a freed picture
// buffer often stays with the process: buffers below the allocator's
// mapping threshold (which grows to 32 MiB after the first large buffer
// is freed) come from its heaps, and a heap only shrinks from its top.
// Trimming releases the free pages of every heap; a fixed threshold keeps
// each large buffer (an encoded picture, its pixels) in a mapping of its own,
// returned to the system when it is freed, and lets the heaps shrink again.
// Measured here (bench_imagestore, ten 4K captures, then "löschen"): without
// the fixed threshold the program stayed 58-95 MiB above its idle figure
// a minute later despite the trims, with it 4-9 MiB.

namespace memoryreturn {

// Large buffers mapped on their own; run before anything is allocated.
void mapLargeBuffersApart();

// Trims once the events of the moment are handled (when the pictures
// dropped by the running handler are gone); several calls, one trim.
void afterRelease();
// Trims now; the number of trims so far.
int trimNow();

} // namespace memoryreturn
