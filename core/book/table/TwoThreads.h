#pragma once

#include <cstddef>
#include <functional>

namespace ruvo::table {

// Below this many entries a second thread costs more than it saves.
inline constexpr std::size_t kTwoThreadEntries = std::size_t{1} << 16;

// Runs first on this thread and second on a new one, and returns once both
// have ended; an exception from either is thrown here then (the first's
// when both throw). Without a new thread, both run here in turn. The two
// must touch no data in common but what they only read.
void OnTwoThreads(const std::function<void()>& first, const std::function<void()>& second);

} // namespace ruvo::table
