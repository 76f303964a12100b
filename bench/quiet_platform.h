// A platform for benchmarks: state that changes every few cycles, nothing
// recorded, nothing allocated.
#pragma once

#include <cstddef>

namespace quiet {

void SetCycle(long cycle);
std::size_t BytesSent();

}  // namespace quiet
