#include "model/row_index.h"

#include "base/huge_pages.h"

#include <algorithm>

namespace vintrel {

namespace {
// Tables start at a few small pages, so a short list costs little; past a quarter megabyte they
// jump to one huge page (two megabytes), since where memory is virtualised every first touch of a
// small page costs as much as hashing a few hundred names, and a large list would touch hundreds.
constexpr std::size_t kFirstBytes = 8 * 1024;
constexpr std::size_t kLastSmallBytes = 256 * 1024;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t grownBytes(std::size_t bytes, bool large) {
    if (bytes == 0) {
        return large ? kHugePage : kFirstBytes;
    }
    return bytes >= kLastSmallBytes && bytes < kHugePage ? kHugePage : bytes * 2;
}
}  // namespace

std::size_t RowIndex::find(std::uint32_t tag) const {
    const std::size_t mask = size_ - 1;
    // Tags are hashes: their low bits are as good a slot number as any.
    std::size_t i = tag & mask;
    while (slots_[i].head != 0 && slots_[i].tag != tag) {
        i = (i + 1) & mask;
    }
    return i;
}

int RowIndex::head(std::size_t hash) const {
    return size_ == 0 ? -1 : slots_[find(tagOf(hash))].head - 1;
}

RowIndex::Chain RowIndex::chain(std::size_t hash) {
    if ((used_ + 1) * 10 > size_ * 7) {
        grow();
    }
    Chain chain;
    chain.tag_ = tagOf(hash);
    chain.slot_ = find(chain.tag_);
    return chain;
}

void RowIndex::add(const Chain& chain, int row) {
    Slot& slot = slots_[chain.slot_];
    if (slot.head == 0) {
        slot.tag = chain.tag_;
        ++used_;
    }
    if (rows_ == nextCapacity_) {
        growNext();
    }
    next_[rows_++] = slot.head - 1;
    slot.head = row + 1;
}

int RowIndex::markedThrough(std::size_t hash) const {
    return markedThrough_.value(tagOf(hash), -1);
}

void RowIndex::setMarkedThrough(std::size_t hash, int row) {
    markedThrough_.insert(tagOf(hash), row);
}

void RowIndex::grow() {
    Slot* const old = slots_;
    const std::size_t oldSize = size_;
    const std::size_t size = grownBytes(oldSize * sizeof(Slot), large_) / sizeof(Slot);
    slots_ = static_cast<Slot*>(
        allocateLargeBlock(size * sizeof(Slot), size * sizeof(Slot) >= kHugePage));  // zeroed: empty
    size_ = size;
    for (std::size_t i = 0; i < oldSize; ++i) {
        if (old[i].head != 0) {
            slots_[find(old[i].tag)] = old[i];
        }
    }
    if (old != nullptr) {
        freeLargeBlock(old, oldSize * sizeof(Slot));
    }
}

void RowIndex::growNext() {
    const std::size_t capacity =
        grownBytes(nextCapacity_ * sizeof(std::int32_t), large_) / sizeof(std::int32_t);
    auto* const grown = static_cast<std::int32_t*>(
        allocateLargeBlock(capacity * sizeof(std::int32_t), capacity * sizeof(std::int32_t) >= kHugePage));
    if (next_ != nullptr) {
        std::copy(next_, next_ + rows_, grown);
        freeLargeBlock(next_, nextCapacity_ * sizeof(std::int32_t));
    }
    next_ = grown;
    nextCapacity_ = capacity;
}

void RowIndex::clear() {
    if (slots_ != nullptr) {
        freeLargeBlock(slots_, size_ * sizeof(Slot));
    }
    slots_ = nullptr;
    size_ = 0;
    if (next_ != nullptr) {
        freeLargeBlock(next_, nextCapacity_ * sizeof(std::int32_t));
    }
    next_ = nullptr;
    rows_ = 0;
    nextCapacity_ = 0;
    markedThrough_.clear();
    used_ = 0;
    large_ = false;
}

}  // namespace vintrel
