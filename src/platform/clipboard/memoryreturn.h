#pragma once
// Giving freed memory back to the system. With glibc a freed picture
// buffer often stays with the process: buffers below the allocator's
// mapping threshold (which grows to 32 MiB after the first large buffer
// is freed) come from its heaps, and a heap only shrinks from its top.
// Trimming releases the free pages of every heap; a fixed threshold stops
// the growth of both thresholds, so that heaps shrink again, and decoded
// pictures from about 2900 x 1450 up (16 MiB at 32 bits a pixel) keep a
// mapping of their own, returned when freed. Measured here
// (bench_imagestore, ten 4K captures, then "löschen"): without a fixed
// threshold the program stayed 58-96 MiB above its idle figure despite the
// trims. At 32 MiB a 4K picture's pixels (31.6 MiB) still came from the
// heaps: ten 4K gradients (0.2 MiB as PNG) held 3.4 MiB each; at 16 MiB,
// 0.5 MiB each. A threshold of 1 MiB (encoded pictures mapped too) held
// 0.9 MiB less per 4K photo but made each capture some 9 ms slower (fresh
// pages for every transfer); at 16 MiB encoded pictures up to that size
// stay in the heaps and capture as fast as before.

namespace memoryreturn {

// Large buffers mapped on their own; run before anything is allocated.
void mapLargeBuffersApart();

// Trims once the events of the moment are handled (when the pictures
// dropped by the running handler are gone); several calls, one trim.
void afterRelease();
// Trims now; the number of trims so far.
int trimNow();

} // namespace memoryreturn
