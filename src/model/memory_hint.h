#pragma once
// A hint for large buffers that are about to be filled once from start to end.

#include <cstddef>

namespace korvala {

// Asks for huge pages and populates the range in one system call: on virtual machines page
// faults cost more than filling a million-record table. Only a hint; refused hints change nothing.
void prepareMemory(const void* data, std::size_t bytes);

}  // namespace korvala
