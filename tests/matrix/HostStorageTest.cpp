#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "matrix/HostCsrMatrix.h"
#include "matrix/HostStorage.h"
#include "matrix/HostVector.h"

namespace {

using Iterative::allocateHostBlock;
using Iterative::releaseHostBlock;

constexpr std::size_t kMiB = std::size_t(1) << 20;

// A block filled with a pattern of its own, to tell blocks apart.
struct FilledBlock {
    std::size_t bytes;
    unsigned char* data;
    unsigned char mark;

    FilledBlock(std::size_t size, unsigned char tag)
        : bytes(size), data(static_cast<unsigned char*>(allocateHostBlock(size))), mark(tag) {
        for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<unsigned char>(mark + i % 7);
    }
    bool intact() const {
        for (std::size_t i = 0; i < bytes; ++i)
            if (data[i] != static_cast<unsigned char>(mark + i % 7)) return false;
        return true;
    }
    void release() { releaseHostBlock(data, bytes); }
};

// Released large blocks come back for later requests: whatever the sizes,
// every block holds its whole size and blocks alive together never overlap
// (a too small reused block would fail under AddressSanitizer).
TEST(HostStorage, ReusedBlocksHoldTheirSizeAndNeverOverlap) {
    const std::size_t sizes[] = {5 * kMiB, 8 * kMiB, 5 * kMiB + 1, 9 * kMiB + 3, 4 * kMiB, 8 * kMiB};
    std::vector<FilledBlock> alive;
    unsigned char tag = 1;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t size : sizes) alive.emplace_back(size, tag++);
        for (const FilledBlock& block : alive) EXPECT_TRUE(block.intact()) << block.bytes << " bytes";
        for (std::size_t i = 0; i < alive.size(); i += 2) alive[i].release();
        std::vector<FilledBlock> kept;
        for (std::size_t i = 1; i < alive.size(); i += 2) kept.push_back(alive[i]);
        alive = kept;
    }
    for (FilledBlock& block : alive) block.release();
    Iterative::releaseCachedHostBlocks();
}

// Owners that promise zeros deliver them on reused memory too.
TEST(HostStorage, VectorsAndMatricesStartAtZeroOnReusedMemory) {
    const int n = 1 << 20;
    {
        Iterative::HostVectorAlloc<double> dirty(n);
        dirty.fill_(3.0);
        Iterative::HostCsrMatrixAlloc<double> dirtyMatrix(n, n, n, Iterative::IndexType::ZeroBased);
        for (int i = 0; i < n; ++i) dirtyMatrix.val()[i] = 5.0, dirtyMatrix.colInd()[i] = 7;
    }
    Iterative::HostVectorAlloc<double> vector(n);
    Iterative::HostCsrMatrixAlloc<double> matrix(n, n, n, Iterative::IndexType::ZeroBased);
    int nonzero = 0;
    for (int i = 0; i < n; ++i)
        nonzero += vector.val()[i] != 0.0 || matrix.val()[i] != 0.0 || matrix.colInd()[i] != 0;
    EXPECT_EQ(nonzero, 0);
}

}  // namespace
