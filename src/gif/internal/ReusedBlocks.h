#pragma once

#include <cstddef>

namespace kinetta::gif
{

// An allocator for the quantiser that keeps its large freed blocks for the
// next frame on the same thread. Its buffers are as large as a frame; fresh
// from the system each time, every page of them faults in again, which at
// full size costs more than some of the work done in them.
namespace reusedBlocks
{

// As malloc and free; blocks may be released on any thread. A thread's kept
// blocks are freed when it ends.
[[nodiscard]] void* allocate(std::size_t size);
void release(void* block);

} // namespace reusedBlocks
} // namespace kinetta::gif
