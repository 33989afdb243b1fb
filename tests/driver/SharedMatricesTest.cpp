#include "io/MmioReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace kyra::io;

namespace {

struct SharedMatrix {
    const char* file;
    DataType::Enum type;
    int n;
    int entries;  // after symmetric or hermitian expansion
};

std::ostream& operator<<(std::ostream& out, const SharedMatrix& m) { return out << m.file; }

std::string sharedPath(const char* file) { return std::string(KYRA_SHARED_MATRICES) + "/" + file; }

bool haveSharedMatrices() { return std::filesystem::is_directory(KYRA_SHARED_MATRICES); }

template <typename T>
void expectCounts(const SharedMatrix& m) {
    int n = 0, nnz = 0;
    std::vector<int> rows, cols;
    std::vector<T> values;
    readMmio(sharedPath(m.file), n, nnz, rows, cols, values);
    EXPECT_EQ(m.n, n);
    EXPECT_EQ(m.entries, nnz);
    EXPECT_EQ(static_cast<std::size_t>(nnz), values.size());
    const auto outside = [&](int index) { return index < 1 || index > n; };
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), outside) &&
                std::none_of(cols.begin(), cols.end(), outside));
}

class SharedMatrices : public ::testing::TestWithParam<SharedMatrix> {};

TEST_P(SharedMatrices, ReadWithTheExpectedCounts) {
    if (!haveSharedMatrices()) GTEST_SKIP() << "no " << KYRA_SHARED_MATRICES;
    DataType::Enum type = DataType::Unknown;
    peekMmio(sharedPath(GetParam().file), type);
    ASSERT_EQ(GetParam().type, type);
    if (type == DataType::Complex) {
        expectCounts<kyra::Complex<double>>(GetParam());
    } else {
        expectCounts<double>(GetParam());
    }
}

// Symmetric and hermitian files with a full diagonal give 2 * stored - n
// entries; hangGlider_2 lacks 733 diagonal entries and gives that many more.
// The skew-symmetric plskz362 is read as stored.
INSTANTIATE_TEST_SUITE_P(
    Files, SharedMatrices,
    ::testing::Values(SharedMatrix{"494_bus.mtx", DataType::Real, 494, 2 * 1080 - 494},
                      SharedMatrix{"hangGlider_2.mtx", DataType::Real, 1647, 2 * 7834 - 1647 + 733},
                      SharedMatrix{"mhd1280b.mtx", DataType::Complex, 1280, 2 * 12029 - 1280},
                      SharedMatrix{"plskz362.mtx", DataType::Real, 362, 880},
                      SharedMatrix{"west0479.mtx", DataType::Real, 479, 1910},
                      SharedMatrix{"young1c.mtx", DataType::Complex, 841, 4089}));

TEST(SharedVector, Sherman3RightHandSideIsRealOfLengthN) {
    if (!haveSharedMatrices()) GTEST_SKIP() << "no " << KYRA_SHARED_MATRICES;
    std::vector<double> b;
    readVector(sharedPath("sherman3_b.mtx"), 5005, b);
    EXPECT_EQ(5005u, b.size());
    std::vector<kyra::Complex<double>> z;
    EXPECT_THROW(readVector(sharedPath("sherman3_b.mtx"), 5005, z), std::runtime_error);
}

}  // namespace
