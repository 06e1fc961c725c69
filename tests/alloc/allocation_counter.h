// Counts the heap allocations the test program makes between Start() and
// Stop(): malloc and its kin, and operator new, whoever calls them.
#pragma once

#include <cstddef>

namespace allocation_counter {

void Start();
// The number of allocations since Start().
std::size_t Stop();

} // namespace allocation_counter
