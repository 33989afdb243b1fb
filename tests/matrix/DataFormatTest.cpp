// Data formats: their names, the constructor checks in their order with
// their exact texts, empty systems, and the device's 16-byte alignment rule.

#include <gtest/gtest.h>

#include <string>

#include "common/DenseChecks.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;

template <typename T>
void product(char, const PublicScalar<T>*, PublicScalar<T>*, void*) {}

TEST(DataFormatChecks, Names) {
    double a[4] = {}, x[3] = {};
    int p[] = {0, 1, 3, 4}, i[] = {0, 1, 2, 2};
    EXPECT_EQ("None", NoDataFormat().name());
    EXPECT_EQ("coo", CooDataFormat<double>(nullptr, 3, 4, a, i, i, x, x).name());
    EXPECT_EQ("csr", CsrDataFormat<double>(nullptr, 3, 4, a, p, i, x, x).name());
    EXPECT_EQ("csc", CscDataFormat<double>(nullptr, 3, 4, a, i, p, x, x).name());
    EXPECT_EQ("matrix free",
              MatrixFreeDataFormat<double>(nullptr, 3, &product<double>, nullptr, x, x).name());
}

// The k-th check fails when the arguments before it are valid and it and
// every later one are invalid, so only the order decides which is reported.
// Arrays for the device lie on 16-byte boundaries or, from array k on, 8
// bytes past one: the first misaligned array is named.
template <typename Format, typename Options>
void expectChecksInOrder(const std::string& first, const std::string& second) {
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
    EXPECT_EQ(1, Format(&one, 3, 4, a, p, i, x, x).indexing());
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
    expectChecksInOrder<CsrDataFormat<double>, kyraSparseCsrOptions>("rowPtr", "colInd");
    expectChecksInOrder<CscDataFormat<double>, kyraSparseCscOptions>("rowInd", "colPtr");
    expectChecksInOrder<CooDataFormat<double>, kyraSparseCooOptions>("rowInd", "colInd");
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
    EXPECT_EQ("no exception", failureOf([&] { checkDeviceAlignment(aligned); }));
    const MatrixFreeDataFormat<double> misaligned(nullptr, 0, &product<double>, nullptr, x, x + 1);
    EXPECT_EQ("8: data.bmust be 16-byte aligned", failureOf([&] { checkDeviceAlignment(misaligned); }));
}

}  // namespace
