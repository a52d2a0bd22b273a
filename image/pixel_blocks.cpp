#include "image/pixel_blocks.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEMO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(VEMO_ASAN)
#define VEMO_ASAN 1
#endif
#if VEMO_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// A kept block is poisoned while it waits, so that a use after its image was freed
// is still caught by the address checker.
void poison(uint8_t* block, size_t bytes) {
#if VEMO_ASAN
    ASAN_POISON_MEMORY_REGION(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

void unpoison(uint8_t* block, size_t bytes) {
#if VEMO_ASAN
    ASAN_UNPOISON_MEMORY_REGION(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

struct KeptBlock {
    uint8_t* block;
    size_t bytes;
};

struct Keep {
    std::mutex lock;
    std::deque<KeptBlock> blocks;  // oldest first
    size_t bytes = 0;
};

Keep* make_keep() {
    // Every block too large for the keep's small-block rule is mapped on its own and
    // given back to the system when freed: the C library would otherwise raise its
    // mapping threshold after the first large free and serve frames from per-thread
    // heaps, whose freed space stays resident, so that memory grows with the workers.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kKeptPixelBlockMin));
    // The scratch rows a worker takes and frees for every frame would otherwise be
    // handed back to the system at each free (the default keeps 128 KiB at a heap's
    // top) and faulted in afresh for the next frame. Giving back a heap's top also
    // makes the system interrupt every other core running this program to drop the
    // pages from its address cache, which stalls the other workers: with two workers
    // that was some 60 000 page faults and 1 000 such interrupts per 1 110-frame zoom,
    // and a third of its system time. Only small blocks live in those heaps.
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(kHeapTopKept));
    return new Keep;
}

Keep& keep() {
    static Keep* k = make_keep();  // never destroyed: images may be freed during exit
    return *k;
}

// A huge block's mapping: whole huge pages.
size_t huge_span(size_t bytes) {
    return (bytes + kHugePixelBlockMin - 1) / kHugePixelBlockMin * kHugePixelBlockMin;
}

// Frames and pictures: whole huge pages on a huge-page boundary, offered to the system as
// huge pages, so that a pass over a frame neither faults nor misses the address cache
// page by page. The mapping is one huge page longer and trimmed to the boundary. A new
// mapping reads as zeros.
uint8_t* map_huge_block(size_t bytes) {
    const size_t span = huge_span(bytes);
    void* mapped = ::mmap(nullptr, span + kHugePixelBlockMin, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto at = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t start = (at + kHugePixelBlockMin - 1) & ~uintptr_t{kHugePixelBlockMin - 1};
    const size_t head = start - at;
    if (head != 0) ::munmap(mapped, head);
    if (kHugePixelBlockMin - head != 0)
        ::munmap(reinterpret_cast<void*>(start + span), kHugePixelBlockMin - head);
    ::madvise(reinterpret_cast<void*>(start), span, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(start);
}

void release_block(uint8_t* block, size_t bytes) {
    if (bytes >= kHugePixelBlockMin) {
        ::munmap(block, huge_span(bytes));
    } else {
        std::free(block);
    }
}

void free_block(const KeptBlock& kept) {
    unpoison(kept.block, kept.bytes);
    release_block(kept.block, kept.bytes);
}

}  // namespace

uint8_t* take_pixel_block(size_t bytes, bool zeroed) {
    if (bytes >= kKeptPixelBlockMin) {
        Keep& k = keep();
        uint8_t* found = nullptr;
        {
            std::lock_guard<std::mutex> hold(k.lock);
            // The newest block of the size is the likeliest to be in the cache.
            for (auto it = k.blocks.rbegin(); it != k.blocks.rend(); ++it) {
                if (it->bytes != bytes) continue;
                found = it->block;
                k.bytes -= bytes;
                k.blocks.erase(std::next(it).base());
                break;
            }
        }
        if (found) {
            unpoison(found, bytes);
            if (zeroed) std::memset(found, 0, bytes);
            return found;
        }
    }
    if (bytes >= kHugePixelBlockMin) return map_huge_block(bytes);
    void* block = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    return static_cast<uint8_t*>(block);
}

void give_back_pixel_block(uint8_t* block, size_t bytes) {
    if (!block) return;
    if (bytes < kKeptPixelBlockMin || bytes > kKeptPixelBytes) {
        release_block(block, bytes);
        return;
    }
    std::deque<KeptBlock> freed;
    {
        Keep& k = keep();
        std::lock_guard<std::mutex> hold(k.lock);
        while (k.bytes + bytes > kKeptPixelBytes) {
            freed.push_back(k.blocks.front());
            k.bytes -= k.blocks.front().bytes;
            k.blocks.pop_front();
        }
        poison(block, bytes);
        k.blocks.push_back({block, bytes});
        k.bytes += bytes;
    }
    for (const KeptBlock& kept : freed) free_block(kept);
}

void free_kept_pixel_blocks() {
    std::deque<KeptBlock> freed;
    {
        Keep& k = keep();
        std::lock_guard<std::mutex> hold(k.lock);
        freed.swap(k.blocks);
        k.bytes = 0;
    }
    for (const KeptBlock& kept : freed) free_block(kept);
}

size_t kept_pixel_bytes() {
    Keep& k = keep();
    std::lock_guard<std::mutex> hold(k.lock);
    return k.bytes;
}
