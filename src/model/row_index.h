// Rows grouped by the hash of a key (a name, the start of a description): the newest row of each
// hash, the older ones chained behind it. Keys are not stored; callers confirm candidates against
// the rows themselves. Open addressing over one flat table: no allocation per row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vintrel {

class RowIndex {
  public:
    // The newest row whose key hashes to `hash`, or -1.
    int head(std::size_t hash) const;
    // The next older row of the same hash, or -1.
    int next(int row) const { return next_[static_cast<std::size_t>(row)]; }
    // Adds `row`; rows are added in increasing order, each once.
    void add(std::size_t hash, int row);

    // Every row of the chain up to this one is known to be marked (see WaypointList); -1 at first.
    int markedThrough(std::size_t hash) const;
    void setMarkedThrough(std::size_t hash, int row);

    void clear();

  private:
    struct Slot {
        std::uint64_t hash;
        std::int32_t head;  // -1: empty slot
        std::int32_t markedThrough;
    };
    std::size_t find(std::uint64_t hash) const;  // the slot holding `hash`, or the empty one where it goes
    void grow();

    std::vector<Slot> slots_;
    std::vector<std::int32_t> next_;
    std::size_t used_ = 0;
};

}  // namespace vintrel
