#include "base/huge_pages.h"

#include <cstdint>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
#endif

namespace vintrel {

#ifdef __linux__
namespace {

// One helper thread for the whole program, started by the first block prepared. It asks the
// kernel to fault pages in for writing without writing them (MADV_POPULATE_WRITE), so it never
// races with the owner filling the same block.
class PageWarmer {
  public:
    static PageWarmer* instance(bool create) {
        static std::atomic<PageWarmer*> warmer{nullptr};
        static std::once_flag started;
        if (create) {
            // Never destroyed: at exit the thread is waiting, and the process ends it.
            std::call_once(started, [] {
                try {
                    warmer.store(new PageWarmer, std::memory_order_release);
                } catch (const std::system_error&) {
                    // No thread to be had: blocks fault in where they are filled, as without help.
                }
            });
        }
        return warmer.load(std::memory_order_acquire);
    }

    void warm(void* data, std::size_t bytes) {
        {
            std::lock_guard lock(mutex_);
            queue_.emplace_back(data, bytes);
        }
        changed_.notify_all();
    }

    // Drops a block about to be freed from the queue, or waits while it is being faulted in.
    void forget(void* data) {
        std::unique_lock lock(mutex_);
        std::erase_if(queue_, [data](const auto& block) { return block.first == data; });
        changed_.wait(lock, [this, data] { return current_ != data; });
    }

  private:
    PageWarmer() {
        std::thread([this] { run(); }).detach();
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queue_.empty(); });
            const auto [data, bytes] = queue_.front();
            queue_.pop_front();
            current_ = data;
            lock.unlock();
            madvise(data, bytes, MADV_POPULATE_WRITE);  // an older kernel says EINVAL: no matter
            lock.lock();
            current_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<void*, std::size_t>> queue_;
    void* current_ = nullptr;
};

}  // namespace
#endif

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

void* allocateLargeBlock(std::size_t bytes, bool hugePages) {
#ifdef __linux__
    // The kernel places large anonymous mappings on huge-page boundaries, so all of it qualifies.
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        throw std::bad_alloc();
    }
    if (hugePages) {
        offerHugePages(p, bytes);
    }
    return p;
#else
    (void)hugePages;
    return std::memset(::operator new(bytes), 0, bytes);
#endif
}

void prepareLargeBlock(void* data, std::size_t bytes) {
#ifdef __linux__
    if (PageWarmer* warmer = PageWarmer::instance(true)) {
        warmer->warm(data, bytes);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void freeLargeBlock(void* data, std::size_t bytes) {
#ifdef __linux__
    if (PageWarmer* warmer = PageWarmer::instance(false)) {
        warmer->forget(data);
    }
    munmap(data, bytes);
#else
    (void)bytes;
    ::operator delete(data);
#endif
}

void* BlockSupply::take() {
    currentPrepared_ = spare_ != nullptr;
    current_ = spare_ != nullptr ? spare_ : allocateLargeBlock(bytes_, hugePages_);
    hugePages_ = true;
    spare_ = nullptr;
    next_ = currentPrepared_ ? bytes_ / 2 : bytes_ / 16;
    return current_;
}

void BlockSupply::onThreshold(std::size_t used) {
    if (!currentPrepared_) {
        prepareLargeBlock(current_, bytes_);  // the pages already touched are skipped
        currentPrepared_ = true;
    }
    if (used >= bytes_ / 2 && spare_ == nullptr) {
        spare_ = allocateLargeBlock(bytes_, hugePages_);
        prepareLargeBlock(spare_, bytes_);
    }
    next_ = spare_ == nullptr ? bytes_ / 2 : static_cast<std::size_t>(-1);
}

void BlockSupply::clear() {
    hugePages_ = false;
    if (spare_ != nullptr) {
        freeLargeBlock(spare_, bytes_);
        spare_ = nullptr;
    }
}

}  // namespace vintrel
