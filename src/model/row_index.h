// Rows grouped by the hash of a key (a name, the start of a description): the newest row of each
// hash, the older ones chained behind it. Keys are not stored; callers confirm candidates against
// the rows themselves. Open addressing over one flat table of eight bytes a slot: no allocation per
// row, and a million rows cost about twenty megabytes.
#pragma once

#include <QHash>

#include <cstddef>
#include <cstdint>

namespace vintrel {

class RowIndex {
  public:
    RowIndex() = default;
    RowIndex(const RowIndex&) = delete;
    RowIndex& operator=(const RowIndex&) = delete;
    ~RowIndex() { clear(); }

    // Where the rows of one hash are kept: found once, for the look-up and the add that may follow.
    class Chain {
        friend class RowIndex;
        std::size_t slot_ = 0;
        std::uint32_t tag_ = 0;
    };
    // The chain of `hash`, made room for: it stays valid for one add().
    Chain chain(std::size_t hash);
    // The newest row of a chain, or -1.
    int head(const Chain& chain) const { return slots_[chain.slot_].head - 1; }
    // The newest row whose key hashes to `hash`, or -1.
    int head(std::size_t hash) const;
    // Starts bringing the first slot `hash` may use into the cache.
    void prefetch(std::size_t hash) const {
        if (size_ != 0) {
            __builtin_prefetch(&slots_[tagOf(hash) & (size_ - 1)]);
        }
    }
    // The next older row of the same hash, or -1.
    int next(int row) const { return next_[static_cast<std::size_t>(row)]; }
    // Adds `row` to a chain just found; rows are added in increasing order, each once.
    void add(const Chain& chain, int row);
    void add(std::size_t hash, int row) { add(chain(hash), row); }

    // Every row of the chain up to this one is known to be marked (see WaypointList); -1 at first.
    int markedThrough(std::size_t hash) const;
    void setMarkedThrough(std::size_t hash, int row);

    // Many rows are coming: an empty index starts at its large size at once.
    void expectLarge() { large_ = true; }

    void clear();

  private:
    // A chain is known by 32 bits of its hash; keys that share them share a chain, which the
    // callers' comparisons tell apart.
    static std::uint32_t tagOf(std::size_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }
    struct Slot {
        std::uint32_t tag;
        std::int32_t head;  // the newest row plus one; 0 is an empty slot, so fresh memory is empty
    };
    std::size_t find(std::uint32_t tag) const;  // the slot holding `tag`, or the empty one where it goes
    void grow();
    void growNext();

    // A large block of its own: look-ups land anywhere in it, and huge pages spare both the page
    // faults of filling it and the misses of the address translation.
    Slot* slots_ = nullptr;
    std::size_t size_ = 0;          // slots, a power of two
    std::int32_t* next_ = nullptr;  // per row, in a large block of its own, doubled when full
    std::size_t rows_ = 0;
    std::size_t nextCapacity_ = 0;
    std::size_t used_ = 0;
    QHash<std::uint32_t, int> markedThrough_;  // only chains whose rows were marked: few
    bool large_ = false;
};

}  // namespace vintrel
