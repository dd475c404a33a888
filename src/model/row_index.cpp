#include "model/row_index.h"

#include "base/huge_pages.h"

#include <algorithm>

namespace vintrel {

namespace {
constexpr std::size_t kFirstSize = 1024;
}

std::size_t RowIndex::find(std::uint32_t tag) const {
    const std::size_t mask = size_ - 1;
    // Tags are hashes: their low bits are as good a slot number as any.
    std::size_t i = tag & mask;
    while (slots_[i].head >= 0 && slots_[i].tag != tag) {
        i = (i + 1) & mask;
    }
    return i;
}

int RowIndex::head(std::size_t hash) const {
    return size_ == 0 ? -1 : slots_[find(tagOf(hash))].head;
}

void RowIndex::add(std::size_t hash, int row) {
    if ((used_ + 1) * 10 > size_ * 7) {
        grow();
    }
    const std::uint32_t tag = tagOf(hash);
    Slot& slot = slots_[find(tag)];
    if (slot.head < 0) {
        slot = {tag, -1};
        ++used_;
    }
    if (rows_ == nextCapacity_) {
        growNext();
    }
    next_[rows_++] = slot.head;
    slot.head = row;
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
    const std::size_t size = oldSize == 0 ? kFirstSize : oldSize * 2;
    slots_ = static_cast<Slot*>(allocateLargeBlock(size * sizeof(Slot)));
    size_ = size;
    std::fill(slots_, slots_ + size_, Slot{0, -1});
    for (std::size_t i = 0; i < oldSize; ++i) {
        if (old[i].head >= 0) {
            slots_[find(old[i].tag)] = old[i];
        }
    }
    if (old != nullptr) {
        freeLargeBlock(old, oldSize * sizeof(Slot));
    }
}

void RowIndex::growNext() {
    const std::size_t capacity = nextCapacity_ == 0 ? kFirstSize : nextCapacity_ * 2;
    auto* const grown = static_cast<std::int32_t*>(allocateLargeBlock(capacity * sizeof(std::int32_t)));
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
}

}  // namespace vintrel
