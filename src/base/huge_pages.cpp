#include "base/huge_pages.h"

#include <cstdint>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vintrel {

void offerHugePages(void* data, std::size_t bytes) {
#ifdef __linux__
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void* allocateLargeBlock(std::size_t bytes) {
#ifdef __linux__
    // The kernel places large anonymous mappings on huge-page boundaries, so all of it qualifies.
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        throw std::bad_alloc();
    }
    offerHugePages(p, bytes);
    return p;
#else
    return std::memset(::operator new(bytes), 0, bytes);
#endif
}

void freeLargeBlock(void* data, std::size_t bytes) {
#ifdef __linux__
    munmap(data, bytes);
#else
    (void)bytes;
    ::operator delete(data);
#endif
}

}  // namespace vintrel
