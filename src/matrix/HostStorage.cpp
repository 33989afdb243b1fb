#include "matrix/HostStorage.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Iterative {

namespace {

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;
constexpr std::size_t kCacheLineBytes = 64;
constexpr unsigned kStaggerSteps = 32;

// Huge pages are physically contiguous, so arrays that all start on a huge
// page boundary would compete for the same cache sets element by element.
// Successive blocks start a different number of cache lines in.
std::size_t nextStartOffset() {
    static std::atomic<unsigned> counter{0};
    return kCacheLineBytes * (1 + counter.fetch_add(1, std::memory_order_relaxed) % kStaggerSteps);
}

}  // namespace

void* allocateHostBlock(std::size_t bytes) {
    if (bytes < kHugePageThresholdBytes) return ::operator new(bytes);
    const std::size_t offset = nextStartOffset();
    const std::size_t rounded = (bytes + offset + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    char* block = static_cast<char*>(std::aligned_alloc(kHugePageBytes, rounded));
    if (!block) throw std::bad_alloc();
    // Only advice: where the kernel declines, the block keeps small pages.
    madvise(block, rounded, MADV_HUGEPAGE);
    char* data = block + offset;
    std::memcpy(data - sizeof(block), &block, sizeof(block));
    return data;
}

void releaseHostBlock(void* data, std::size_t bytes) {
    if (bytes < kHugePageThresholdBytes) {
        ::operator delete(data);
        return;
    }
    char* block;
    std::memcpy(&block, static_cast<char*>(data) - sizeof(block), sizeof(block));
    std::free(block);
}

}  // namespace Iterative
