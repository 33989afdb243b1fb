// Host CSR matrices through the matrix interface: triangular views,
// transposes, and the enumerations.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixEnums.h"

namespace {

using namespace Iterative;

// A 4 x 4 matrix with a full diagonal as dense rows and as CSR arrays in
// either index base (row 1 stored out of column order).
template <typename T>
struct Example {
    explicit Example(int base) {
        for (size_t p = 0, i = 0; p < colInd.size(); ++p) {
            while (static_cast<int>(p) >= rowPtr[i + 1]) ++i;
            val.push_back(value(dense[i][colInd[p]]));
        }
        for (int& r : rowPtr) r += base;
        for (int& c : colInd) c += base;
        matrix = std::make_shared<HostCsrMatrixRef<T>>(4, 4, 10, val.data(), rowPtr.data(), colInd.data(),
                                                       IndexType(base));
    }
    // Genuinely complex for complex T, so that a transpose and a conjugate
    // transpose differ.
    static T value(double v) {
        if constexpr (kyra::IsComplex<T>::value) return T(v, 0.5 * v);
        return T(v);
    }
    auto entry() const {
        return [this](int r, int c) { return value(dense[r][c]); };
    }
    const double dense[4][4] = {{4, 2, 0, 0}, {-1, 5, 0, 3}, {0, 0.5, 6, 0}, {2, 0, -1, 7}};
    std::vector<T> val;
    std::vector<int> rowPtr = {0, 2, 5, 7, 10}, colInd = {0, 1, 3, 1, 0, 1, 2, 0, 2, 3};
    std::shared_ptr<HostCsrMatrixRef<T>> matrix;
};

template <typename T>
class HostCsrMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{41};
};
TYPED_TEST_SUITE(HostCsrMatrixTest, AllScalarTypes);

const char kOps[] = "NTC";

TYPED_TEST(HostCsrMatrixTest, ViewsMultiplyAndSolveWithTheirTriangleOnly) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Example<T> e(base);
        for (SideType side : {SideType::Lower, SideType::Upper}) {
            for (DiagType diag : {DiagType::Unit, DiagType::NonUnit}) {
                SCOPED_TRACE(std::to_string(base) + side.toChar() + diag.toChar());
                const auto view = e.matrix->makeMatrixView_(side, diag);
                const auto triangle = triangleOf(e.entry(), side == SideType::Lower, diag == DiagType::Unit);
                const std::vector<T> x = randomVector<T>(4, this->rng);
                HostVectorAlloc<T> y(4), solved(4);
                for (int op = 0; op < 3; ++op) {
                    view->mvm_(TransOp(op), T(1), HostVectorRef<T>(4, x.data(), 1), T(0), y);
                    expectAllClose(denseProduct(4, 4, triangle, kOps[op], x), y.val());
                    view->trsv_(side, TransOp(op), diag, y, solved);
                    expectAllClose(x, solved.val());
                }
            }
        }
    }
}

TYPED_TEST(HostCsrMatrixTest, TransposeKeepsTheBaseAndConjugatesOnRequest) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Example<T> e(base);
        for (bool conjugate : {false, true}) {
            const auto At = std::dynamic_pointer_cast<HostCsrMatrixAlloc<T>>(e.matrix->transpose_(conjugate));
            ASSERT_NE(nullptr, At);
            EXPECT_EQ(IndexType(base), At->index());
            const std::vector<T> x = randomVector<T>(4, this->rng);
            HostVectorAlloc<T> y(4);
            At->mvm_(TransOp::NoTrans, T(1), HostVectorRef<T>(4, x.data(), 1), T(0), y);
            expectAllClose(denseProduct(4, 4, e.entry(), conjugate ? 'C' : 'T', x), y.val());
        }
    }
}

TEST(HostCsrTransposeTest, OutOfRangeColumnFailsAndNullValuesGiveThePatternOnly) {
    double val[] = {1, 2};
    int rowPtr[] = {0, 1, 2}, colInd[] = {0, 2};
    HostCsrMatrixRef<double> A(2, 2, 2, val, rowPtr, colInd, IndexType::ZeroBased);
    EXPECT_THROW(A.transpose_(false), std::runtime_error);

    int onePtr[] = {1, 3, 4}, oneInd[] = {1, 2, 2}, outPtr[3], outInd[3];
    HostCsrTranspose<kyra::Complex<float>>(2, 3, 1, nullptr, onePtr, oneInd, nullptr, outPtr, outInd, true);
    EXPECT_EQ((std::vector<int>{1, 2, 4, 1, 1, 2}),
              (std::vector<int>{outPtr[0], outPtr[1], outPtr[2], outInd[0], outInd[1], outInd[2]}));
}

// Values outside each table are internal errors; index characters of either
// letter case are read.
TEST(MatrixEnumsTest, ValuesOutsideTheTableAndIndexCharacters) {
    EXPECT_EQ("9: ", failureOf([] { TransOp(3).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { SideType(2).toCusparse(); }));
    EXPECT_EQ("9: ", failureOf([] { MatrixType(6).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { IndexType::fromChar('x'); }));
    for (char c : std::string("0CcZz")) EXPECT_EQ(IndexType::ZeroBased, IndexType::fromChar(c)) << c;
    for (char c : std::string("1FfOo")) EXPECT_EQ(IndexType::OneBased, IndexType::fromChar(c)) << c;
    MklDescriptor descriptor(IndexType::OneBased);
    descriptor.setTriangular(SideType::Upper, DiagType::Unit);
    EXPECT_EQ("TUUF", std::string(descriptor.data(), 4));
}

}  // namespace
