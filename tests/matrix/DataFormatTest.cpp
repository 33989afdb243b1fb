// Data formats: names and codes, the constructor checks in their order with
// their exact texts, empty systems, and the 16-byte alignment rule of the
// device platform.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;

template <typename T>
void product(char, const PublicScalar<T>*, PublicScalar<T>*, void*) {}

template <typename T>
class DataFormats : public ::testing::Test {};
TYPED_TEST_SUITE(DataFormats, AllScalarTypes);

TYPED_TEST(DataFormats, NamesAndCodes) {
    using T = TypeParam;
    std::vector<T> a(4), x(3);
    std::vector<int> p{0, 1, 3, 4}, i{0, 1, 2, 2};
    const CooDataFormat<T> coo(nullptr, 3, 4, a.data(), i.data(), i.data(), x.data(), x.data());
    const CsrDataFormat<T> csr(nullptr, 3, 4, a.data(), p.data(), i.data(), x.data(), x.data());
    const CscDataFormat<T> csc(nullptr, 3, 4, a.data(), i.data(), p.data(), x.data(), x.data());
    const MatrixFreeDataFormat<T> free(nullptr, 3, &product<T>, nullptr, x.data(), x.data());
    const NoDataFormat none;
    const DataFormatBase* formats[] = {&none, &coo, &csr, &csc, &free};
    const char* names[] = {"None", "coo", "csr", "csc", "matrix free"};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(names[k], formats[k]->name());
        EXPECT_EQ(k, formats[k]->storageFormat());
        EXPECT_EQ(k ? DataTypeOf<T>::code : 0, formats[k]->dataType());
    }
    const int code = std::is_same_v<T, float> ? 1 : std::is_same_v<T, double> ? 2 : sizeof(T) == 8 ? 3 : 4;
    EXPECT_EQ(code, DataTypeOf<T>::code);
}

// The k-th check fails when the arguments before it are valid and it and
// every later one are invalid, so only the order decides which is reported.
template <typename Format, typename Options>
void expectChecksInOrder(const char* firstIndices, const char* secondIndices) {
    const char* texts[] = {"formatOpts.indexing != {0, 1}",
                           "n >= 0",
                           "nnz >= 0",
                           "a != 0",
                           firstIndices,
                           secondIndices,
                           "x != 0",
                           "b != 0"};
    double a[4] = {}, x[3] = {};
    int p[] = {0, 1, 3, 4}, i[] = {0, 1, 2, 2};
    for (int badIndexing : {2, -1}) {
        const Options bad{badIndexing};
        for (int k = 0; k < 8; ++k) {
            const auto valid = [k](int argument) { return argument < k; };
            EXPECT_EQ(std::string("3: ") + texts[k], failureOf([&] {
                          Format(valid(0) ? nullptr : &bad, valid(1) ? 3 : -1, valid(2) ? 4 : -1,
                                 valid(3) ? a : nullptr, valid(4) ? p : nullptr, valid(5) ? i : nullptr,
                                 valid(6) ? x : nullptr, valid(7) ? x : nullptr);
                      }));
        }
    }
    const Options one{1};
    EXPECT_EQ(1, Format(&one, 3, 4, a, p, i, x, x).indexing());
    EXPECT_EQ("no exception", failureOf([&] { Format(nullptr, 0, 0, a, p, i, x, x); }));
}

TEST(DataFormatChecks, ArrayFormatsCheckInOrder) {
    expectChecksInOrder<CsrDataFormat<double>, kyraSparseCsrOptions>("rowPtr != 0", "colInd != 0");
    expectChecksInOrder<CscDataFormat<double>, kyraSparseCscOptions>("rowInd != 0", "colPtr != 0");
    expectChecksInOrder<CooDataFormat<double>, kyraSparseCooOptions>("rowInd != 0", "colInd != 0");
}

TEST(DataFormatChecks, MatrixFreeChecksInOrder) {
    double x[3] = {};
    const char* texts[] = {"n >= 0", "ax != 0", "x != 0", "b != 0"};
    for (int k = 0; k < 4; ++k) {
        const auto valid = [k](int argument) { return argument < k; };
        EXPECT_EQ(std::string("3: ") + texts[k], failureOf([&] {
                      MatrixFreeDataFormat<double>(nullptr, valid(0) ? 3 : -1,
                                                   valid(1) ? &product<double> : nullptr, nullptr,
                                                   valid(2) ? x : nullptr, valid(3) ? x : nullptr);
                  }));
    }
    EXPECT_EQ("no exception",
              failureOf([&] { MatrixFreeDataFormat<double>(nullptr, 0, &product<double>, nullptr, x, x); }));
}

// Arrays on 16-byte boundaries, or 8 bytes past one from array `misaligned` on.
struct Arrays {
    alignas(16) unsigned char bytes[5][64] = {};
    template <typename P>
    P* at(int array, int misaligned) {
        return reinterpret_cast<P*>(bytes[array] + (array >= misaligned ? 8 : 0));
    }
};

std::string misalignment(const std::vector<std::string>& names, int misaligned) {
    return misaligned < static_cast<int>(names.size()) ? "8: " + names[misaligned] + "must be 16-byte aligned"
                                                       : "no exception";
}

template <typename Format, typename T>
void expectFirstMisalignedArrayNamed(const std::string& second, const std::string& third) {
    Arrays arrays;
    for (int k = 0; k <= 5; ++k) {
        const Format format(nullptr, 2, 2, arrays.at<T>(0, k), arrays.at<int>(1, k), arrays.at<int>(2, k),
                            arrays.at<T>(3, k), arrays.at<T>(4, k));
        EXPECT_EQ(misalignment({"data.a", second, third, "data.x", "data.b"}, k),
                  failureOf([&] { checkDeviceAlignment(format); }));
    }
}

TYPED_TEST(DataFormats, DeviceAlignmentNamesTheFirstMisalignedArray) {
    using T = TypeParam;
    expectFirstMisalignedArrayNamed<CsrDataFormat<T>, T>("data.rowPtr", "data.colInd");
    expectFirstMisalignedArrayNamed<CscDataFormat<T>, T>("data.rowInd", "data.colPtr");
    expectFirstMisalignedArrayNamed<CooDataFormat<T>, T>("data.rowInd", "data.colInd");
    Arrays arrays;
    for (int k = 0; k <= 2; ++k) {
        const MatrixFreeDataFormat<T> format(nullptr, 2, &product<T>, nullptr, arrays.at<T>(0, k),
                                             arrays.at<T>(1, k));
        EXPECT_EQ(misalignment({"data.x", "data.b"}, k), failureOf([&] { checkDeviceAlignment(format); }));
    }
}

}  // namespace
