// Large buffers that are filled once (the list's text blocks, a whole output file) fault in page
// by page; on Linux they can ask for huge pages instead, which cuts that cost by two orders of
// magnitude. Elsewhere these are plain allocations and the hint does nothing.
#pragma once

#include <cstddef>

namespace vintrel {

// Asks for huge pages for the whole 2 MiB pages inside [data, data + bytes). Only a hint.
void offerHugePages(void* data, std::size_t bytes);

// A zero-filled block of `bytes` that may be backed by huge pages (unless `hugePages` is false:
// then a page is only made when it is touched, which a block that may stay nearly empty wants);
// freed with freeLargeBlock(same size).
void* allocateLargeBlock(std::size_t bytes, bool hugePages = true);
void freeLargeBlock(void* data, std::size_t bytes);

// Faults in a large block's pages on a helper thread, ahead of its use. Where memory is
// virtualised the first touch of a page is dear (the kernel zeroes it, and the host backs it), and
// this moves that cost off the thread that fills the block. The contents are never written, so the
// block may be used at once; freeLargeBlock() waits until the helper has let go of it. Only a hint:
// where it cannot be done it does nothing.
void prepareLargeBlock(void* data, std::size_t bytes);

// Large blocks of one size for a store that fills them one after another. The first block gets
// small pages unless the store expects to grow large, so a list of a few rows touches a few pages,
// not a huge one. Once a sixteenth of a block is used the helper thread faults in the rest of it,
// and once it is half full the next block, with huge pages, is allocated and prepared too: a large
// import rarely waits for a page, and a store that never fills a sixteenth of its first block
// (256 KB of 4 MB) holds no more pages than it touched.
class BlockSupply {
  public:
    explicit BlockSupply(std::size_t bytes) : bytes_(bytes) {}
    BlockSupply(const BlockSupply&) = delete;
    BlockSupply& operator=(const BlockSupply&) = delete;
    ~BlockSupply() { clear(); }

    // A block for the caller, freed with freeLargeBlock(block, bytes).
    void* take();
    // The store is about to grow large: its first block gets huge pages too.
    void expectLarge() { hugePages_ = true; }
    // The block taken last now has `used` bytes in use.
    void filled(std::size_t used) {
        if (used >= next_) {
            onThreshold(used);
        }
    }
    // Frees the block made ready and not taken.
    void clear();

  private:
    void onThreshold(std::size_t used);

    std::size_t bytes_;
    void* current_ = nullptr;
    bool currentPrepared_ = false;
    std::size_t next_ = 0;  // the use at which filled() has something to do
    void* spare_ = nullptr;
    bool hugePages_ = false;  // for the next block allocated
};

}  // namespace vintrel
