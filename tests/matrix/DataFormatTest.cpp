// Data formats: names and codes, the constructor checks in their order with
// their exact texts, the defaults for a null option record, and the 16-byte
// alignment rule of the device platform.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;

template <typename T>
class DataFormats : public ::testing::Test {
  public:
    std::vector<T> a = std::vector<T>(4);
    std::vector<T> x = std::vector<T>(3);
    std::vector<T> b = std::vector<T>(3);
    std::vector<int> pointers{0, 1, 3, 4};
    std::vector<int> indices{0, 1, 2, 2};
};
TYPED_TEST_SUITE(DataFormats, AllScalarTypes);

template <typename T>
void product(char, const PublicScalar<T>*, PublicScalar<T>*, void*) {}

TYPED_TEST(DataFormats, NamesAndCodes) {
    using T = TypeParam;
    const int dataType = DataTypeOf<T>::code;
    const CsrDataFormat<T> csr(nullptr, 3, 4, this->a.data(), this->pointers.data(), this->indices.data(),
                               this->x.data(), this->b.data());
    const CscDataFormat<T> csc(nullptr, 3, 4, this->a.data(), this->indices.data(), this->pointers.data(),
                               this->x.data(), this->b.data());
    const CooDataFormat<T> coo(nullptr, 3, 4, this->a.data(), this->indices.data(), this->indices.data(),
                               this->x.data(), this->b.data());
    const MatrixFreeDataFormat<T> free(nullptr, 3, &product<T>, nullptr, this->x.data(), this->b.data());
    const DataFormatBase* formats[] = {&coo, &csr, &csc, &free};
    const char* names[] = {"coo", "csr", "csc", "matrix free"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(names[i], formats[i]->name());
        EXPECT_EQ(i + 1, formats[i]->storageFormat());
        EXPECT_EQ(dataType, formats[i]->dataType());
    }
    EXPECT_EQ(0, csr.indexing());
    EXPECT_EQ(this->pointers.data(), csr.rowPtr());
    EXPECT_EQ(this->indices.data(), csc.rowInd());
    EXPECT_EQ(this->x.data(), free.x());
}

TEST(DataFormatCodes, ScalarTypesAndPlaceholder) {
    EXPECT_EQ(1, DataTypeOf<float>::code);
    EXPECT_EQ(2, DataTypeOf<double>::code);
    EXPECT_EQ(3, DataTypeOf<kyra::Complex<float>>::code);
    EXPECT_EQ(4, DataTypeOf<kyra::Complex<double>>::code);
    const NoDataFormat none;
    EXPECT_EQ("None", none.name());
    EXPECT_EQ(0, none.storageFormat());
    EXPECT_EQ(0, none.dataType());
}

// The k-th check fails when the arguments before it are valid and it and
// every later one are invalid, so only the order decides which is reported.
template <typename Format, typename Options, typename T>
void expectArrayFormatChecksInOrder(DataFormats<T>& d, const char* firstIndices, const char* secondIndices) {
    const char* texts[] = {"formatOpts.indexing != {0, 1}",
                           "n >= 0",
                           "nnz >= 0",
                           "a != 0",
                           firstIndices,
                           secondIndices,
                           "x != 0",
                           "b != 0"};
    for (int badIndexing : {2, -1}) {
        const Options bad{badIndexing};
        for (int k = 0; k < 8; ++k) {
            const auto valid = [k](int argument) { return argument < k; };
            EXPECT_EQ(std::string("3: ") + texts[k], failureOf([&] {
                          Format(valid(0) ? nullptr : &bad, valid(1) ? 3 : -1, valid(2) ? 4 : -1,
                                 valid(3) ? d.a.data() : nullptr, valid(4) ? d.pointers.data() : nullptr,
                                 valid(5) ? d.indices.data() : nullptr, valid(6) ? d.x.data() : nullptr,
                                 valid(7) ? d.b.data() : nullptr);
                      }));
        }
    }
    const Options one{1};
    EXPECT_EQ(1, Format(&one, 3, 4, d.a.data(), d.pointers.data(), d.indices.data(), d.x.data(), d.b.data())
                     .indexing());
}

TYPED_TEST(DataFormats, ArrayFormatChecksInOrder) {
    using T = TypeParam;
    expectArrayFormatChecksInOrder<CsrDataFormat<T>, kyraSparseCsrOptions>(*this, "rowPtr != 0",
                                                                           "colInd != 0");
    expectArrayFormatChecksInOrder<CscDataFormat<T>, kyraSparseCscOptions>(*this, "rowInd != 0",
                                                                           "colPtr != 0");
    expectArrayFormatChecksInOrder<CooDataFormat<T>, kyraSparseCooOptions>(*this, "rowInd != 0",
                                                                           "colInd != 0");
}

TYPED_TEST(DataFormats, MatrixFreeChecksInOrder) {
    using T = TypeParam;
    const char* texts[] = {"n >= 0", "ax != 0", "x != 0", "b != 0"};
    for (int k = 0; k < 4; ++k) {
        const auto valid = [k](int argument) { return argument < k; };
        EXPECT_EQ(std::string("3: ") + texts[k], failureOf([&] {
                      MatrixFreeDataFormat<T>(nullptr, valid(0) ? 3 : -1, valid(1) ? &product<T> : nullptr,
                                              nullptr, valid(2) ? this->x.data() : nullptr,
                                              valid(3) ? this->b.data() : nullptr);
                  }));
    }
}

TYPED_TEST(DataFormats, EmptySystemsAreAccepted) {
    using T = TypeParam;
    const T* a = this->a.data();
    const int* i = this->indices.data();
    T* x = this->x.data();
    const T* b = this->b.data();
    EXPECT_EQ("no exception", failureOf([&] { CsrDataFormat<T>(nullptr, 0, 0, a, i, i, x, b); }));
    EXPECT_EQ("no exception", failureOf([&] { CscDataFormat<T>(nullptr, 3, 0, a, i, i, x, b); }));
    EXPECT_EQ("no exception", failureOf([&] { CooDataFormat<T>(nullptr, 0, 0, a, i, i, x, b); }));
    EXPECT_EQ("no exception",
              failureOf([&] { MatrixFreeDataFormat<T>(nullptr, 0, &product<T>, nullptr, x, b); }));
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
    const std::vector<std::string> names = {"data.a", second, third, "data.x", "data.b"};
    Arrays arrays;
    for (int k = 0; k <= 5; ++k) {
        const Format format(nullptr, 2, 2, arrays.at<T>(0, k), arrays.at<int>(1, k), arrays.at<int>(2, k),
                            arrays.at<T>(3, k), arrays.at<T>(4, k));
        EXPECT_EQ(misalignment(names, k), failureOf([&] { checkDeviceAlignment(format); }));
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
