#include "model/memory_hint.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvala {

// Large tables and file buffers are touched page by page once, and on virtual machines every
// page fault is expensive: for a million records the faults cost more than the parsing. Huge
// pages cut their number by 512, and populating the range up front replaces the remaining
// faults by one system call. Both are hints; where they are refused, nothing changes.
void prepareMemory(const void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::uintptr_t kHuge = 2u << 20;
    if (bytes < 16 * kPage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kPage - 1);
    if (last <= first)
        return;
    if (bytes >= 2 * kHuge)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE, Linux 5.14
    ::madvise(reinterpret_cast<void*>(first), last - first, kPopulateWrite);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace korvala
