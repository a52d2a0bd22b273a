#pragma once
// Pixel blocks of the image records. Frames are made and freed by the thousand, all
// of a few sizes; a freshly mapped block costs a page fault on every 4 KiB of its
// first pass, often more than the pass itself. Large blocks given back are kept for
// the next request of the same size, up to kKeptPixelBytes in all; small blocks go
// straight to the C library.

#include <cstddef>
#include <cstdint>

// Blocks of at least this size are kept when given back.
inline constexpr size_t kKeptPixelBlockMin = size_t{256} << 10;
// Blocks of at least this size are mappings of their own, made of huge pages where the
// system has them.
inline constexpr size_t kHugePixelBlockMin = size_t{2} << 20;
// At most this many bytes are kept at once; the oldest are freed first. Room for a
// 4000 x 3000 picture beside the frames in flight: a shot's picture is given back at
// the end of its dissolve and the next shot's is decoded into it. On a virtual machine
// that hands freed memory back to its host, a block mapped afresh a few seconds later
// costs more than the decode (48 MB: 26 ms decoded into a kept block, 155 ms into a
// new one, measured here).
inline constexpr size_t kKeptPixelBytes = size_t{128} << 20;
// Free space a C library heap keeps at its top before giving it back to the system.
inline constexpr size_t kHeapTopKept = size_t{8} << 20;

// A block of `bytes` bytes (none when memory runs out); zeroed when asked, else its
// contents are whatever a kept block held. Free it with give_back_pixel_block and
// the same size.
uint8_t* take_pixel_block(size_t bytes, bool zeroed);
void give_back_pixel_block(uint8_t* block, size_t bytes);

// Frees every kept block; the bytes kept now.
void free_kept_pixel_blocks();
size_t kept_pixel_bytes();
