// The caller's data: the data formats' constructor checks in order with
// their exact texts, their names, empty systems and the device's 16-byte
// alignment rule; the first fault of every kind in the index arrays, in both
// index bases and in arrays long enough to be scanned in parallel. (The
// status these faults end an execution with is checked through the host
// platform.)

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/DataFormat.h"
#include "matrix/IndexCheck.h"

namespace {

using namespace Iterative;

template <typename T>
void product(char, const PublicScalar<T>*, PublicScalar<T>*, void*) {}

// The k-th check fails when the arguments before it are valid and it and
// every later one are invalid, so only the order decides which is reported.
// Arrays for the device lie on 16-byte boundaries or, from array k on, 8
// bytes past one: the first misaligned array is named.
template <typename Format, typename Options>
void expectChecksInOrder(const std::string& name, const std::string& first, const std::string& second) {
    const std::string arrays[] = {"a", first, second, "x", "b"};
    double a[4] = {}, x[3] = {};
    int p[] = {0, 1, 3, 4}, i[] = {0, 1, 2, 2};
    for (int badIndexing : {2, -1}) {
        const Options bad{badIndexing};
        for (int k = 0; k < 8; ++k) {
            const auto valid = [k](int argument) { return argument < k; };
            const std::string text = k == 0   ? "formatOpts.indexing != {0, 1}"
                                     : k == 1 ? "n >= 0"
                                     : k == 2 ? "nnz >= 0"
                                              : arrays[k - 3] + " != 0";
            EXPECT_EQ("3: " + text, failureOf([&] {
                          Format(valid(0) ? nullptr : &bad, valid(1) ? 3 : -1, valid(2) ? 4 : -1,
                                 valid(3) ? a : nullptr, valid(4) ? p : nullptr, valid(5) ? i : nullptr,
                                 valid(6) ? x : nullptr, valid(7) ? x : nullptr);
                      }));
        }
    }
    const Options one{1};
    const Format oneBased(&one, 3, 4, a, p, i, x, x);
    EXPECT_EQ(1, oneBased.indexing());
    EXPECT_EQ(name, oneBased.name());
    EXPECT_EQ("no exception", failureOf([&] { Format(nullptr, 0, 0, a, p, i, x, x); }));

    alignas(16) unsigned char bytes[5][64] = {};
    for (int k = 0; k <= 5; ++k) {
        const auto at = [&](int array) { return bytes[array] + (array >= k ? 8 : 0); };
        const auto ints = [&](int array) { return reinterpret_cast<int*>(at(array)); };
        const auto reals = [&](int array) { return reinterpret_cast<double*>(at(array)); };
        const Format format(nullptr, 2, 2, reals(0), ints(1), ints(2), reals(3), reals(4));
        EXPECT_EQ(k < 5 ? "8: data." + arrays[k] + "must be 16-byte aligned" : "no exception",
                  failureOf([&] { checkDeviceAlignment(format); }));
    }
}

TEST(DataFormatChecks, ArrayFormatsCheckInOrder) {
    expectChecksInOrder<CsrDataFormat<double>, kyraSparseCsrOptions>("csr", "rowPtr", "colInd");
    expectChecksInOrder<CscDataFormat<double>, kyraSparseCscOptions>("csc", "rowInd", "colPtr");
    expectChecksInOrder<CooDataFormat<double>, kyraSparseCooOptions>("coo", "rowInd", "colInd");
}

TEST(DataFormatChecks, MatrixFreeChecksInOrder) {
    alignas(16) double x[4] = {};
    const char* texts[] = {"n >= 0", "ax != 0", "x != 0", "b != 0"};
    for (int k = 0; k < 4; ++k) {
        const auto valid = [k](int argument) { return argument < k; };
        EXPECT_EQ(std::string("3: ") + texts[k], failureOf([&] {
                      MatrixFreeDataFormat<double>(nullptr, valid(0) ? 3 : -1,
                                                   valid(1) ? &product<double> : nullptr, nullptr,
                                                   valid(2) ? x : nullptr, valid(3) ? x : nullptr);
                  }));
    }
    const MatrixFreeDataFormat<double> aligned(nullptr, 0, &product<double>, nullptr, x, x);
    EXPECT_EQ("matrix free", aligned.name());
    EXPECT_EQ("None", NoDataFormat().name());
    EXPECT_EQ("no exception", failureOf([&] { checkDeviceAlignment(aligned); }));
    const MatrixFreeDataFormat<double> misaligned(nullptr, 0, &product<double>, nullptr, x, x + 1);
    EXPECT_EQ("8: data.bmust be 16-byte aligned", failureOf([&] { checkDeviceAlignment(misaligned); }));
}

using Ints = std::vector<int>;

struct Case {
    char format;  // 'R' CSR, 'C' CSC, 'O' COO
    int n, nnz, base;
    Ints first, second;  // pointers and indices, or COO rows and columns
    std::string expected;
};

std::string errorOf(const Case& c) {
    const int *first = c.first.data(), *second = c.second.data();
    if (c.format == 'R') return findCsrIndexError(c.n, c.nnz, first, second, c.base);
    if (c.format == 'C') return findCscIndexError(c.n, c.nnz, first, second, c.base);
    return findCooIndexError(c.n, c.nnz, first, second, c.base);
}

TEST(IndexCheck, FirstFaultIsDescribed) {
    const Ints six(6, 1), intMin{0, 1, INT_MIN, 0, 1, 1};
    const Case cases[] = {
        {'R', 4, 2, 0, {0, 0, 2, 2, 2}, {3, 0}, ""},
        {'C', 2, 3, 1, {1, 3, 4}, {2, 1, 2}, ""},
        {'O', 3, 3, 1, {1, 2, 3}, {3, 2, 1}, ""},
        {'R', 3, 6, 0, {1, 2, 3, 4}, six, "rowPtr[0] = 1 must equal the index base 0"},
        {'R', 4, 6, 0, {0, 2, 7, 5, 6}, six, "rowPtr[3] = 5 is less than rowPtr[2] = 7"},
        {'R', 4, 6, 0, {0, 2, 3, 9, 8}, six, "rowPtr[4] = 8 is less than rowPtr[3] = 9"},
        {'R', 4, 6, 0, {0, 1, 2, 3, 5}, six, "rowPtr[4] = 5 must equal nnz + base = 6"},
        {'R', 4, 6, 1, {1, 2, 3, 4, 8}, six, "rowPtr[4] = 8 must equal nnz + base = 7"},
        {'R', 0, 1, 0, {0}, {0}, "rowPtr[0] = 0 must equal nnz + base = 1"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, {0, 1, 2, 0, 3, 1}, "colInd[4] = 3 is out of range for n = 3"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, {0, -1, 2, 0, 5, 1}, "colInd[1] = -1 is out of range for n = 3"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, intMin, "colInd[2] = -2147483648 is out of range for n = 3"},
        {'C', 3, 6, 1, {1, 3, 5, 7}, {0, 1, 2, 3, 1, 2}, "rowInd[0] = 0 is out of range for n = 3"},
        {'C', 3, 6, 1, {1, 3, 5, 7}, {1, 1, 2, 3, 1, 4}, "rowInd[5] = 4 is out of range for n = 3"},
        {'C', 3, 6, 0, {0, 3, 2, 6}, Ints(6, 9), "colPtr[2] = 2 is less than colPtr[1] = 3"},
        {'O', 3, 3, 0, {0, 1, 7}, {5, 1, 0}, "rowInd[2] = 7 is out of range for n = 3"},
        {'O', 3, 3, 1, {1, 2, 3}, {3, 0, 4}, "colInd[1] = 0 is out of range for n = 3"},
        {'O', 0, 1, 0, {0}, {0}, "rowInd[0] = 0 is out of range for n = 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, errorOf(c)) << c.format << " " << c.expected;
}

// Faults far apart in arrays scanned in parallel blocks: the first is named.
TEST(IndexCheck, LongArraysReportTheFirstFault) {
    const int n = 100000;
    Case csr{'R', n, n, 0, Ints(n + 1), Ints(n, 3), ""};
    for (int r = 0; r <= n; ++r) csr.first[r] = r;
    csr.second[90000] = n;
    csr.second[3000] = -1;
    csr.second[40000] = n + 1;
    EXPECT_EQ("colInd[3000] = -1 is out of range for n = 100000", errorOf(csr));
    csr.first[70000] = 0;
    csr.first[20000] = 0;
    EXPECT_EQ("rowPtr[20000] = 0 is less than rowPtr[19999] = 19999", errorOf(csr));
    Case coo{'O', n, n, 1, Ints(n, 1), Ints(n, 1), ""};
    coo.second[5000] = 0;
    coo.second[30000] = n + 1;
    EXPECT_EQ("colInd[5000] = 0 is out of range for n = 100000", errorOf(coo));
}

}  // namespace
