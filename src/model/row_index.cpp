#include "model/row_index.h"

namespace vintrel {

namespace {
constexpr std::size_t kFirstSize = 1024;
}

std::size_t RowIndex::find(std::uint32_t tag) const {
    const std::size_t mask = slots_.size() - 1;
    // Tags are hashes: their low bits are as good a slot number as any.
    std::size_t i = tag & mask;
    while (slots_[i].head >= 0 && slots_[i].tag != tag) {
        i = (i + 1) & mask;
    }
    return i;
}

int RowIndex::head(std::size_t hash) const {
    return slots_.empty() ? -1 : slots_[find(tagOf(hash))].head;
}

void RowIndex::add(std::size_t hash, int row) {
    if ((used_ + 1) * 10 > slots_.size() * 7) {
        grow();
    }
    const std::uint32_t tag = tagOf(hash);
    Slot& slot = slots_[find(tag)];
    if (slot.head < 0) {
        slot = {tag, -1};
        ++used_;
    }
    next_.push_back(slot.head);
    slot.head = row;
}

int RowIndex::markedThrough(std::size_t hash) const {
    return markedThrough_.value(tagOf(hash), -1);
}

void RowIndex::setMarkedThrough(std::size_t hash, int row) {
    markedThrough_.insert(tagOf(hash), row);
}

void RowIndex::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstSize : old.size() * 2, Slot{0, -1});
    for (const Slot& s : old) {
        if (s.head >= 0) {
            slots_[find(s.tag)] = s;
        }
    }
}

void RowIndex::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    next_.clear();
    next_.shrink_to_fit();
    markedThrough_.clear();
    used_ = 0;
}

}  // namespace vintrel
