// The shared real matrices read with their expected sizes and entry counts.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "io/MmioReader.h"

using namespace kyra::io;

namespace {

template <typename T>
void expectCounts(const std::string& path, int expectedN, int expectedEntries) {
    int n = 0, nnz = 0;
    std::vector<int> rows, cols;
    std::vector<T> values;
    readMmio(path, n, nnz, rows, cols, values);
    EXPECT_EQ(expectedN, n) << path;
    EXPECT_EQ(expectedEntries, nnz) << path;
    const auto outside = [&](int index) { return index < 1 || index > n; };
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), outside) &&
                std::none_of(cols.begin(), cols.end(), outside));
}

// Symmetric and hermitian files with a full diagonal give 2 * stored - n
// entries; hangGlider_2 lacks 733 diagonal entries and gives that many more.
// The skew-symmetric plskz362 is read as stored.
TEST(SharedMatrices, ReadWithTheExpectedCounts) {
    const std::string dir = KYRA_SHARED_MATRICES;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no " << dir;
    const struct {
        const char* file;
        DataType::Enum type;
        int n, entries;
    } matrices[] = {{"494_bus.mtx", DataType::Real, 494, 2 * 1080 - 494},
                    {"hangGlider_2.mtx", DataType::Real, 1647, 2 * 7834 - 1647 + 733},
                    {"mhd1280b.mtx", DataType::Complex, 1280, 2 * 12029 - 1280},
                    {"plskz362.mtx", DataType::Real, 362, 880},
                    {"west0479.mtx", DataType::Real, 479, 1910},
                    {"young1c.mtx", DataType::Complex, 841, 4089}};
    for (const auto& m : matrices) {
        const std::string path = dir + "/" + m.file;
        DataType::Enum type = DataType::Unknown;
        peekMmio(path, type);
        EXPECT_EQ(m.type, type) << m.file;
        if (type == DataType::Complex) {
            expectCounts<kyra::Complex<double>>(path, m.n, m.entries);
        } else {
            expectCounts<double>(path, m.n, m.entries);
        }
    }
    std::vector<double> b;
    readVector(dir + "/sherman3_b.mtx", 5005, b);
    EXPECT_EQ(5005u, b.size());
}

}  // namespace
