#include "ReusedBlocks.h"

#include <array>
#include <cstdlib>

namespace kinetta::gif::reusedBlocks
{
namespace
{

// Each block starts with its capacity; the header keeps malloc's alignment.
constexpr std::size_t kHeader = 16;
// Smaller blocks come back from malloc's own free lists without faults.
constexpr std::size_t kSmallest = std::size_t{1} << 20;
constexpr std::size_t kKeptBlocks = 8;
constexpr std::size_t kKeptBytes = std::size_t{256} << 20;

struct Kept {
    std::array<void*, kKeptBlocks> blocks{};
    std::size_t count = 0;
    std::size_t bytes = 0;

    Kept() = default;
    Kept(const Kept&) = delete;
    Kept& operator=(const Kept&) = delete;
    ~Kept()
    {
        for (std::size_t i = 0; i < count; ++i)
            std::free(blocks[i]);
    }
};

thread_local Kept kept;

std::size_t& capacityOf(void* raw)
{
    return *static_cast<std::size_t*>(raw);
}

} // namespace

void* allocate(std::size_t size)
{
    if (size >= kSmallest) {
        // The smallest kept block that fits without wasting more than half.
        std::size_t best = kept.count;
        for (std::size_t i = 0; i < kept.count; ++i) {
            const std::size_t capacity = capacityOf(kept.blocks[i]);
            if (capacity >= size && capacity / 2 <= size &&
                (best == kept.count || capacity < capacityOf(kept.blocks[best])))
                best = i;
        }
        if (best != kept.count) {
            void* raw = kept.blocks[best];
            kept.bytes -= capacityOf(raw);
            kept.blocks[best] = kept.blocks[--kept.count];
            return static_cast<char*>(raw) + kHeader;
        }
    }
    void* raw = std::malloc(size + kHeader);
    if (!raw)
        return nullptr;
    capacityOf(raw) = size;
    return static_cast<char*>(raw) + kHeader;
}

void release(void* block)
{
    if (!block)
        return;
    void* raw = static_cast<char*>(block) - kHeader;
    const std::size_t capacity = capacityOf(raw);
    if (capacity < kSmallest) {
        std::free(raw);
        return;
    }
    // When full, the largest blocks are the ones worth keeping.
    while (kept.count > 0 && (kept.count == kKeptBlocks || kept.bytes + capacity > kKeptBytes)) {
        std::size_t smallest = 0;
        for (std::size_t i = 1; i < kept.count; ++i) {
            if (capacityOf(kept.blocks[i]) < capacityOf(kept.blocks[smallest]))
                smallest = i;
        }
        if (capacityOf(kept.blocks[smallest]) >= capacity)
            break;
        kept.bytes -= capacityOf(kept.blocks[smallest]);
        std::free(kept.blocks[smallest]);
        kept.blocks[smallest] = kept.blocks[--kept.count];
    }
    if (kept.count < kKeptBlocks && kept.bytes + capacity <= kKeptBytes) {
        kept.blocks[kept.count++] = raw;
        kept.bytes += capacity;
        return;
    }
    std::free(raw);
}

} // namespace kinetta::gif::reusedBlocks
