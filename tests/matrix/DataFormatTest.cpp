// Data formats: names and codes, the constructor checks in their order with
// their exact texts, the defaults for a null option record, and the 16-byte
// alignment rule of the device platform.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;

// Status and text of what `construct` raises; status 0 when it does not.
std::pair<int, std::string> outcome(const std::function<void()>& construct) {
    try {
        construct();
    } catch (const KyraSparseException& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

void expectArgumentError(const char* text, const std::function<void()>& construct) {
    EXPECT_EQ((std::pair<int, std::string>{kyraSparseArgumentError, text}), outcome(construct));
}

template <typename T>
class DataFormats : public ::testing::Test {
  protected:
    std::vector<T> a = std::vector<T>(4);
    std::vector<T> x = std::vector<T>(3);
    std::vector<T> b = std::vector<T>(3);
    std::vector<int> pointers{0, 1, 3, 4};
    std::vector<int> indices{0, 1, 2, 2};
};
using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(DataFormats, ScalarTypes);

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

// Each row: the arguments, with the checks before the one under test passing
// and every later argument made invalid too, so only the order decides.
TYPED_TEST(DataFormats, CsrChecksInOrder) {
    using T = TypeParam;
    const T* a = this->a.data();
    const int* p = this->pointers.data();
    const int* i = this->indices.data();
    T* x = this->x.data();
    const T* b = this->b.data();
    for (int indexing : {2, -1}) {
        const kyraSparseCsrOptions bad{indexing};
        expectArgumentError("formatOpts.indexing != {0, 1}", [&] {
            CsrDataFormat<T>(&bad, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr);
        });
    }
    const kyraSparseCsrOptions one{1};
    expectArgumentError("n >= 0",
                        [&] { CsrDataFormat<T>(&one, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "nnz >= 0", [&] { CsrDataFormat<T>(nullptr, 3, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "a != 0", [&] { CsrDataFormat<T>(nullptr, 3, 4, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("a != 0", [&] { CsrDataFormat<T>(nullptr, 3, 4, nullptr, p, i, nullptr, b); });
    expectArgumentError("rowPtr != 0",
                        [&] { CsrDataFormat<T>(nullptr, 3, 4, a, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("colInd != 0",
                        [&] { CsrDataFormat<T>(nullptr, 3, 4, a, p, nullptr, nullptr, nullptr); });
    expectArgumentError("x != 0", [&] { CsrDataFormat<T>(nullptr, 3, 4, a, p, i, nullptr, nullptr); });
    expectArgumentError("b != 0", [&] { CsrDataFormat<T>(nullptr, 3, 4, a, p, i, x, nullptr); });
    EXPECT_EQ(1, CsrDataFormat<T>(&one, 3, 4, a, p, i, x, b).indexing());
}

TYPED_TEST(DataFormats, CscChecksInOrder) {
    using T = TypeParam;
    const T* a = this->a.data();
    const int* p = this->pointers.data();
    const int* i = this->indices.data();
    T* x = this->x.data();
    const kyraSparseCscOptions bad{2};
    expectArgumentError("formatOpts.indexing != {0, 1}",
                        [&] { CscDataFormat<T>(&bad, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "n >= 0", [&] { CscDataFormat<T>(nullptr, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "nnz >= 0", [&] { CscDataFormat<T>(nullptr, 3, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "a != 0", [&] { CscDataFormat<T>(nullptr, 3, 4, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("rowInd != 0",
                        [&] { CscDataFormat<T>(nullptr, 3, 4, a, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("colPtr != 0",
                        [&] { CscDataFormat<T>(nullptr, 3, 4, a, i, nullptr, nullptr, nullptr); });
    expectArgumentError("x != 0", [&] { CscDataFormat<T>(nullptr, 3, 4, a, i, p, nullptr, nullptr); });
    expectArgumentError("b != 0", [&] { CscDataFormat<T>(nullptr, 3, 4, a, i, p, x, nullptr); });
}

TYPED_TEST(DataFormats, CooChecksInOrder) {
    using T = TypeParam;
    const T* a = this->a.data();
    const int* i = this->indices.data();
    T* x = this->x.data();
    const kyraSparseCooOptions bad{-1};
    expectArgumentError("formatOpts.indexing != {0, 1}",
                        [&] { CooDataFormat<T>(&bad, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "n >= 0", [&] { CooDataFormat<T>(nullptr, -1, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "nnz >= 0", [&] { CooDataFormat<T>(nullptr, 3, -1, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError(
        "a != 0", [&] { CooDataFormat<T>(nullptr, 3, 4, nullptr, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("rowInd != 0",
                        [&] { CooDataFormat<T>(nullptr, 3, 4, a, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("colInd != 0",
                        [&] { CooDataFormat<T>(nullptr, 3, 4, a, i, nullptr, nullptr, nullptr); });
    expectArgumentError("x != 0", [&] { CooDataFormat<T>(nullptr, 3, 4, a, i, i, nullptr, nullptr); });
    expectArgumentError("b != 0", [&] { CooDataFormat<T>(nullptr, 3, 4, a, i, i, x, nullptr); });
}

TYPED_TEST(DataFormats, MatrixFreeChecksInOrder) {
    using T = TypeParam;
    T* x = this->x.data();
    expectArgumentError("n >= 0",
                        [&] { MatrixFreeDataFormat<T>(nullptr, -1, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("ax != 0",
                        [&] { MatrixFreeDataFormat<T>(nullptr, 3, nullptr, nullptr, nullptr, nullptr); });
    expectArgumentError("x != 0",
                        [&] { MatrixFreeDataFormat<T>(nullptr, 3, &product<T>, nullptr, nullptr, nullptr); });
    expectArgumentError("b != 0",
                        [&] { MatrixFreeDataFormat<T>(nullptr, 3, &product<T>, nullptr, x, nullptr); });
}

TYPED_TEST(DataFormats, EmptySystemsAreAccepted) {
    using T = TypeParam;
    const T* a = this->a.data();
    const int* i = this->indices.data();
    T* x = this->x.data();
    const T* b = this->b.data();
    EXPECT_EQ(0, outcome([&] { CsrDataFormat<T>(nullptr, 0, 0, a, i, i, x, b); }).first);
    EXPECT_EQ(0, outcome([&] { CscDataFormat<T>(nullptr, 3, 0, a, i, i, x, b); }).first);
    EXPECT_EQ(0, outcome([&] { CooDataFormat<T>(nullptr, 0, 0, a, i, i, x, b); }).first);
    EXPECT_EQ(0, outcome([&] { MatrixFreeDataFormat<T>(nullptr, 0, &product<T>, nullptr, x, b); }).first);
}

// Arrays at chosen offsets from a 16-byte boundary.
struct AlignedArrays {
    alignas(16) unsigned char storage[7][64] = {};
    template <typename P>
    P* at(int array, int offset) {
        return reinterpret_cast<P*>(storage[array] + offset);
    }
};

TEST(DeviceAlignment, FirstMisalignedArrayIsNamed) {
    using T = double;
    AlignedArrays arrays;
    // Arrays from `misaligned` on (a, rowPtr, colInd, x, b) start 8 bytes past a boundary.
    auto csrWith = [&](int misaligned) {
        auto offset = [misaligned](int k) { return k >= misaligned ? 8 : 0; };
        return CsrDataFormat<T>(nullptr, 2, 2, arrays.at<T>(0, offset(0)), arrays.at<int>(1, offset(1)),
                                arrays.at<int>(2, offset(2)), arrays.at<T>(3, offset(3)),
                                arrays.at<T>(4, offset(4)));
    };
    const char* names[] = {"data.a", "data.rowPtr", "data.colInd", "data.x", "data.b"};
    for (int k = 0; k < 5; ++k) {
        const CsrDataFormat<T> format = csrWith(k);
        EXPECT_EQ((std::pair<int, std::string>{kyraSparseAlignmentError,
                                               std::string(names[k]) + "must be 16-byte aligned"}),
                  outcome([&] { checkDeviceAlignment(format); }));
    }
    EXPECT_EQ(0, outcome([&] { checkDeviceAlignment(csrWith(5)); }).first);
}

TEST(DeviceAlignment, EveryFormatTestsItsArraysInOrder) {
    using T = kyra::Complex<float>;
    AlignedArrays arrays;
    T* shiftedValues = arrays.at<T>(0, 8);
    int* aligned = arrays.at<int>(1, 0);
    int* shiftedIndices = arrays.at<int>(2, 4);
    T* x = arrays.at<T>(3, 0);
    T* shiftedB = arrays.at<T>(4, 8);

    const CscDataFormat<T> csc(nullptr, 2, 2, arrays.at<T>(0, 0), aligned, shiftedIndices, x, shiftedB);
    EXPECT_EQ("data.colPtrmust be 16-byte aligned", outcome([&] { checkDeviceAlignment(csc); }).second);
    const CooDataFormat<T> coo(nullptr, 2, 2, arrays.at<T>(0, 0), shiftedIndices, aligned, x, shiftedB);
    EXPECT_EQ("data.rowIndmust be 16-byte aligned", outcome([&] { checkDeviceAlignment(coo); }).second);
    const CooDataFormat<T> cooValues(nullptr, 2, 2, shiftedValues, shiftedIndices, aligned, x, shiftedB);
    EXPECT_EQ("data.amust be 16-byte aligned", outcome([&] { checkDeviceAlignment(cooValues); }).second);
    const MatrixFreeDataFormat<T> free(nullptr, 2, &product<T>, nullptr, x, shiftedB);
    EXPECT_EQ((std::pair<int, std::string>{kyraSparseAlignmentError, "data.bmust be 16-byte aligned"}),
              outcome([&] { checkDeviceAlignment(free); }));
    const MatrixFreeDataFormat<T> freeX(nullptr, 2, &product<T>, nullptr, arrays.at<T>(5, 8), shiftedB);
    EXPECT_EQ("data.xmust be 16-byte aligned", outcome([&] { checkDeviceAlignment(freeX); }).second);
}

}  // namespace
