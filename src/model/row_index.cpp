#include "model/row_index.h"

namespace vintrel {

namespace {
constexpr std::size_t kFirstSize = 1024;
}

std::size_t RowIndex::find(std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    // The low bits pick the slot; mixing in the high ones keeps hashes that differ only there apart.
    std::size_t i = static_cast<std::size_t>(hash ^ (hash >> 32)) & mask;
    while (slots_[i].head >= 0 && slots_[i].hash != hash) {
        i = (i + 1) & mask;
    }
    return i;
}

int RowIndex::head(std::size_t hash) const {
    return slots_.empty() ? -1 : slots_[find(hash)].head;
}

void RowIndex::add(std::size_t hash, int row) {
    if ((used_ + 1) * 10 > slots_.size() * 7) {
        grow();
    }
    Slot& slot = slots_[find(hash)];
    if (slot.head < 0) {
        slot = {hash, -1, -1};
        ++used_;
    }
    next_.push_back(slot.head);
    slot.head = row;
}

int RowIndex::markedThrough(std::size_t hash) const {
    return slots_.empty() ? -1 : slots_[find(hash)].markedThrough;
}

void RowIndex::setMarkedThrough(std::size_t hash, int row) {
    Slot& slot = slots_[find(hash)];
    if (slot.head >= 0) {
        slot.markedThrough = row;
    }
}

void RowIndex::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstSize : old.size() * 2, Slot{0, -1, -1});
    for (const Slot& s : old) {
        if (s.head >= 0) {
            slots_[find(s.hash)] = s;
        }
    }
}

void RowIndex::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    next_.clear();
    next_.shrink_to_fit();
    used_ = 0;
}

}  // namespace vintrel
