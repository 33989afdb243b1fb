#include "matrix/HostStorage.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace Iterative {

namespace {

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;
constexpr std::size_t kCacheLineBytes = 64;
constexpr unsigned kStaggerSteps = 32;
// Released blocks kept for reuse: at most this many bytes and blocks.
constexpr std::size_t kCachedBytesLimit = std::size_t(512) << 20;
constexpr std::size_t kCachedBlocksLimit = 16;

// Huge pages are physically contiguous, so arrays that all start on a huge
// page boundary would compete for the same cache sets element by element.
// Successive blocks start a different number of cache lines in.
std::size_t nextStartOffset() {
    static std::atomic<unsigned> counter{0};
    return kCacheLineBytes * (1 + counter.fetch_add(1, std::memory_order_relaxed) % kStaggerSteps);
}

std::size_t roundToHugePages(std::size_t bytes) {
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

// What sits just before the data of a large block: where the block starts
// and how large it is. The start offset leaves room for it.
struct BlockHeader {
    char* block;
    std::size_t bytes;
};
static_assert(sizeof(BlockHeader) <= kCacheLineBytes, "the header must fit the smallest start offset");

// Large blocks released by one set-up, kept for the next one. Fresh memory
// costs a page fault and a clearing by the kernel on first touch, which for
// set-ups that allocate tens of megabytes costs as much as their work; a
// set-up repeated on new data of the same size then reuses the memory of
// the one before.
class BlockCache {
  public:
    // A kept block of at least `bytes` and not much more, or null.
    BlockHeader take(std::size_t bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
            if (it->bytes >= bytes && it->bytes - bytes <= bytes / 4) {
                const BlockHeader found = *it;
                blocks_.erase(it);
                total_ -= found.bytes;
                return found;
            }
        }
        return {nullptr, 0};
    }

    // Keeps the block, dropping the oldest ones to stay within the limits.
    void keep(BlockHeader released) {
        if (released.bytes > kCachedBytesLimit) {
            std::free(released.block);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        while (!blocks_.empty() &&
               (total_ + released.bytes > kCachedBytesLimit || blocks_.size() >= kCachedBlocksLimit)) {
            total_ -= blocks_.front().bytes;
            std::free(blocks_.front().block);
            blocks_.erase(blocks_.begin());
        }
        blocks_.push_back(released);
        total_ += released.bytes;
    }

    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const BlockHeader& kept : blocks_) std::free(kept.block);
        blocks_.clear();
        total_ = 0;
    }

  private:
    std::mutex mutex_;
    std::vector<BlockHeader> blocks_;
    std::size_t total_ = 0;
};

// Never destroyed, so that arrays released during static destruction still
// find it.
BlockCache& blockCache() {
    static BlockCache* const cache = new BlockCache;
    return *cache;
}

BlockHeader newHugePageBlock(std::size_t bytes) {
    char* block = static_cast<char*>(std::aligned_alloc(kHugePageBytes, bytes));
    if (!block) throw std::bad_alloc();
    // Only advice: where the kernel declines, the block keeps small pages.
    madvise(block, bytes, MADV_HUGEPAGE);
    return {block, bytes};
}

}  // namespace

void* allocateHostBlock(std::size_t bytes) {
    if (bytes < kHugePageThresholdBytes) return ::operator new(bytes);
    const std::size_t offset = nextStartOffset();
    const std::size_t needed = roundToHugePages(bytes + offset);
    BlockHeader header = blockCache().take(needed);
    if (!header.block) header = newHugePageBlock(needed);
    char* data = header.block + offset;
    std::memcpy(data - sizeof(header), &header, sizeof(header));
    return data;
}

void releaseHostBlock(void* data, std::size_t bytes) {
    if (bytes < kHugePageThresholdBytes) {
        ::operator delete(data);
        return;
    }
    BlockHeader header;
    std::memcpy(&header, static_cast<char*>(data) - sizeof(header), sizeof(header));
    blockCache().keep(header);
}

void releaseCachedHostBlocks() { blockCache().clear(); }

}  // namespace Iterative
