#include "core/book/table/LiveSlots.h"

namespace ruvo::table {

void LiveSlots::ReserveAppend() {
    if (tree_.size() == tree_.capacity())
        tree_.reserve(2 * tree_.size());
}

void LiveSlots::Append() {
    const std::size_t i = tree_.size();
    std::uint32_t sum = 1;
    const std::size_t stop = i - (i & (~i + 1));
    for (std::size_t j = i - 1; j > stop; j -= j & (~j + 1))
        sum += tree_[j];
    tree_.push_back(sum);
}

void LiveSlots::Remove(std::size_t slot) {
    for (std::size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1))
        --tree_[i];
}

void LiveSlots::Restore(std::size_t slot) {
    for (std::size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1))
        ++tree_[i];
}

} // namespace ruvo::table
