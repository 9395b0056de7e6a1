#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruvo::table {

// Which slots of the natural order (one per entry ever added, by sequence
// number) still hold an entry, counted in a Fenwick tree so that a slot's
// position and the slot at a position each take O(log n). A new object has
// no slots.
class LiveSlots {
public:
    // Makes sure the next Append allocates nothing.
    void ReserveAppend();
    // Adds a live slot after the last one.
    void Append();
    // Marks a live slot as emptied; it stays counted as a slot.
    void Remove(std::size_t slot);
    // Marks an emptied slot as live again.
    void Restore(std::size_t slot);

    // Number of live slots before `slot`.
    std::size_t LiveBefore(std::size_t slot) const {
        std::size_t sum = 0;
        for (std::size_t i = slot; i > 0; i -= i & (~i + 1))
            sum += tree_[i];
        return sum;
    }

    // The slot of the live entry at 0-based position k; k < number of live
    // slots.
    std::size_t Find(std::size_t k) const {
        std::size_t pos = 0;
        std::size_t step = 1;
        while (step * 2 < tree_.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (pos + step < tree_.size() && tree_[pos + step] <= k) {
                pos += step;
                k -= tree_[pos];
            }
        }
        return pos; // 1-based index pos + 1, so slot pos
    }

private:
    // 1-based; element 0 is unused.
    std::vector<std::uint32_t> tree_ = std::vector<std::uint32_t>(1, 0);
};

} // namespace ruvo::table
