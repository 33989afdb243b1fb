// Host CSR matrices: the three storage variants, products and solves through
// the matrix interface against dense references, triangular views,
// transposes, the unimplemented operations, the CSR copy, and the
// enumerations and descriptor they are described by.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "core/Copy.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixEnums.h"

namespace {

using namespace Iterative;

// A 4 x 4 matrix with a full diagonal, written as dense rows and as CSR
// arrays in either index base (row 1 stored out of column order).
template <typename T>
struct Example {
    explicit Example(int base) {
        dense = {{T(4), T(2), T(0), T(0)},
                 {T(-1), T(5), T(0), T(3)},
                 {T(0), T(0.5), T(6), T(0)},
                 {T(2), T(0), T(-1), T(7)}};
        rowPtr = {0, 2, 5, 7, 10};
        colInd = {0, 1, 3, 1, 0, 1, 2, 0, 2, 3};
        for (size_t p = 0, i = 0; p < colInd.size(); ++p) {
            while (static_cast<int>(p) >= rowPtr[i + 1]) ++i;
            val.push_back(dense[i][colInd[p]]);
        }
        for (int& r : rowPtr) r += base;
        for (int& c : colInd) c += base;
    }
    auto entry() const {
        return [this](int r, int c) { return dense[r][c]; };
    }
    HostCsrMatrixRef<T> matrix(int base) {
        return HostCsrMatrixRef<T>(4, 4, 10, val.data(), rowPtr.data(), colInd.data(), IndexType(base));
    }
    std::vector<std::vector<T>> dense;
    std::vector<T> val;
    std::vector<int> rowPtr;
    std::vector<int> colInd;
};

template <typename T>
class HostCsrMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{41};
};

TYPED_TEST_SUITE(HostCsrMatrixTest, AllScalarTypes);

const char kOps[] = "NTC";

TYPED_TEST(HostCsrMatrixTest, RefWrapsOneBasedArraysWithoutConvertingThem) {
    using T = TypeParam;
    Example<T> e(1);
    const std::vector<int> rowPtrBefore = e.rowPtr;
    HostCsrMatrixRef<T> A = e.matrix(1);
    EXPECT_EQ(IndexType::OneBased, A.index());
    EXPECT_EQ(std::string("GLNF"), std::string(A.descriptor(), 4));
    EXPECT_EQ("host csr matrix", A.name());
    EXPECT_EQ(PlatformType::Host, A.platform());
    EXPECT_EQ(e.val.data(), A.val());

    const T alpha = randomScalar<T>(this->rng), beta = randomScalar<T>(this->rng);
    for (int op = 0; op < 3; ++op) {
        SCOPED_TRACE(std::string("op ") + kOps[op]);
        const std::vector<T> x = randomVector<T>(4, this->rng);
        std::vector<T> y = randomVector<T>(4, this->rng);
        const std::vector<T> expected = denseProduct(4, 4, e.entry(), kOps[op], alpha, x, beta, y);
        HostVectorRef<T> xv(4, x.data(), 1), yv(4, y.data(), 1);
        A.mvm_(TransOp(op), alpha, xv, beta, yv);
        expectAllClose(expected, y);
    }
    EXPECT_EQ(rowPtrBefore, e.rowPtr);
}

TYPED_TEST(HostCsrMatrixTest, ViewsMultiplyAndSolveWithTheirTriangleOnly) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Example<T> e(base);
        HostCsrMatrixRef<T> A = e.matrix(base);
        for (SideType side : {SideType::Lower, SideType::Upper}) {
            for (DiagType diag : {DiagType::Unit, DiagType::NonUnit}) {
                SCOPED_TRACE("base " + std::to_string(base) + " side " + side.toChar() + " diag " +
                             diag.toChar());
                const auto view = std::dynamic_pointer_cast<HostCsrMatrix<T>>(A.makeMatrixView_(side, diag));
                ASSERT_NE(nullptr, view);
                EXPECT_EQ((std::string{'T', side.toChar(), diag.toChar(), base ? 'F' : 'C'}),
                          std::string(view->descriptor(), 4));
                EXPECT_EQ(A.val(), view->val());
                EXPECT_EQ(A.rowPtr(), view->rowPtr());

                const auto triangle = triangleOf(e.entry(), side == SideType::Lower, diag == DiagType::Unit);
                const std::vector<T> x = randomVector<T>(4, this->rng);
                std::vector<T> y(4), solved(4);
                const HostVectorRef<T> xv(4, x.data(), 1);
                HostVectorRef<T> yv(4, y.data(), 1), solvedv(4, solved.data(), 1);
                for (int op = 0; op < 3; ++op) {
                    view->mvm_(TransOp(op), T(1), xv, T(0), yv);
                    expectAllClose(denseProduct(4, 4, triangle, kOps[op], x), y);
                    // Solving with the product gives x back.
                    view->trsv_(side, TransOp(op), diag, yv, solvedv);
                    expectAllClose(x, solved);
                }
            }
        }
    }
}

TYPED_TEST(HostCsrMatrixTest, SolveTakesTriangleAndDiagonalFromTheDescriptorOnly) {
    using T = TypeParam;
    Example<T> e(0);
    const auto lowerUnit = e.matrix(0).makeMatrixView_(SideType::Lower, DiagType::Unit);
    HostVectorAlloc<T> b(4), expected(4), y(4);
    b.fill_(T(1));
    lowerUnit->trsv_(SideType::Lower, TransOp::NoTrans, DiagType::Unit, b, expected);
    // Forward substitution with unit diagonal: the stored diagonal is unused.
    EXPECT_EQ(T(1), expected(0));
    EXPECT_EQ(T(1) - e.dense[1][0] * expected(0), expected(1));
    lowerUnit->trsv_(SideType::Upper, TransOp::NoTrans, DiagType::NonUnit, b, y);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(expected(i), y(i));
}

TYPED_TEST(HostCsrMatrixTest, TransposeKeepsTheBaseAndConjugatesOnRequest) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Example<T> e(base);
        for (bool conjugate : {false, true}) {
            const auto At =
                std::dynamic_pointer_cast<HostCsrMatrixAlloc<T>>(e.matrix(base).transpose_(conjugate));
            ASSERT_NE(nullptr, At);
            EXPECT_EQ(IndexType(base), At->index());
            EXPECT_EQ(10, At->nnz());
            const std::vector<T> x = randomVector<T>(4, this->rng);
            std::vector<T> y(4);
            HostVectorRef<T> yv(4, y.data(), 1);
            At->mvm_(TransOp::NoTrans, T(1), HostVectorRef<T>(4, x.data(), 1), T(0), yv);
            expectAllClose(denseProduct(4, 4, e.entry(), conjugate ? 'C' : 'T', x), y);
        }
    }
}

TEST(HostCsrTransposeTest, OutOfRangeColumnIsATransposeError) {
    double val[] = {1, 2};
    int rowPtr[] = {0, 1, 2};
    int colInd[] = {0, 2};
    HostCsrMatrixRef<double> A(2, 2, 2, val, rowPtr, colInd, IndexType::ZeroBased);
    try {
        A.transpose_(false);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("transpose error", e.what());
    }
}

TEST(HostCsrTransposeTest, PatternOnlyWhenValuesAreNull) {
    int rowPtr[] = {1, 3, 4};
    int colInd[] = {1, 2, 2};
    int outRowPtr[3], outColInd[3];
    HostCsrTranspose<float>(2, 3, 1, nullptr, rowPtr, colInd, nullptr, outRowPtr, outColInd, true);
    EXPECT_EQ((std::vector<int>{1, 2, 4}), std::vector<int>(outRowPtr, outRowPtr + 3));
    EXPECT_EQ((std::vector<int>{1, 1, 2}), std::vector<int>(outColInd, outColInd + 3));
}

TYPED_TEST(HostCsrMatrixTest, AllocStartsZeroAndHasNoFormatCheck) {
    using T = TypeParam;
    HostCsrMatrixAlloc<T> A(3, 5, 4, IndexType::OneBased);
    EXPECT_EQ(3, A.m());
    EXPECT_EQ(5, A.n());
    EXPECT_EQ(4, A.nnz());
    EXPECT_EQ(IndexType::OneBased, A.index());
    EXPECT_EQ(std::vector<T>(4, T(0)), std::vector<T>(A.val(), A.val() + 4));
    EXPECT_EQ(std::vector<int>(4, 0), std::vector<int>(A.colInd(), A.colInd() + 4));
    EXPECT_EQ(std::vector<int>(4, 0), std::vector<int>(A.rowPtr(), A.rowPtr() + 4));
    EXPECT_EQ("6: format check", failureOf([&] { A.isValidFormat_(); }));
}

TYPED_TEST(HostCsrMatrixTest, SharedRefMatricesShareThePatternAndKeepItAlive) {
    using T = TypeParam;
    Example<T> e(0);
    std::shared_ptr<HostCsrMatrixSharedRef<T>> B;
    {
        auto val = std::make_shared<std::vector<T>>(e.val);
        HostCsrMatrixSharedRef<T> A(4, 4, 10, val, std::make_shared<std::vector<int>>(e.rowPtr),
                                    std::make_shared<std::vector<int>>(e.colInd), IndexType::ZeroBased);
        EXPECT_EQ(val->data(), A.val());
        B = std::make_shared<HostCsrMatrixSharedRef<T>>(4, 4, 10, A.sharedRowPtr(), A.sharedColInd(),
                                                        IndexType::ZeroBased);
        EXPECT_EQ(A.rowPtr(), B->rowPtr());
        EXPECT_EQ(A.colInd(), B->colInd());
        EXPECT_NE(A.val(), B->val());
    }
    EXPECT_EQ(2, B->rowPtr()[1]);  // the pattern outlives the first holder
    EXPECT_EQ(std::vector<T>(10, T(0)), std::vector<T>(B->val(), B->val() + 10));

    HostCsrMatrixSharedRef<T> empty(0, 0, 0, std::make_shared<std::vector<T>>(),
                                    std::make_shared<std::vector<int>>(),
                                    std::make_shared<std::vector<int>>(), IndexType::ZeroBased);
    try {
        empty.val();
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_EQ(0, std::string(error.what()).find("vector::_M_range_check"));
    }
    EXPECT_THROW(empty.rowPtr(), std::out_of_range);
    EXPECT_THROW(static_cast<const HostCsrMatrixSharedRef<T>&>(empty).colInd(), std::out_of_range);
}

TYPED_TEST(HostCsrMatrixTest, CopyTakesTheDestinationsCountsAndKeepsItsDescriptor) {
    using T = TypeParam;
    Example<T> e(1);
    const HostCsrMatrixRef<T> src = e.matrix(1);
    HostCsrMatrixAlloc<T> dst(4, 4, 10, IndexType::OneBased);
    dst.descriptor()[0] = 'T';
    copy<T>(src, dst);
    EXPECT_EQ(e.val, std::vector<T>(dst.val(), dst.val() + 10));
    EXPECT_EQ(e.rowPtr, std::vector<int>(dst.rowPtr(), dst.rowPtr() + 5));
    EXPECT_EQ(e.colInd, std::vector<int>(dst.colInd(), dst.colInd() + 10));
    EXPECT_EQ('T', dst.descriptor()[0]);

    // A smaller destination takes only its own counts.
    HostCsrMatrixAlloc<T> small(2, 2, 3, IndexType::OneBased);
    copy<T>(src, small);
    EXPECT_EQ(std::vector<int>(e.rowPtr.begin(), e.rowPtr.begin() + 3),
              std::vector<int>(small.rowPtr(), small.rowPtr() + 3));
    EXPECT_EQ(std::vector<T>(e.val.begin(), e.val.begin() + 3), std::vector<T>(small.val(), small.val() + 3));
}

// The enumeration classes and the sparse-BLAS descriptor: characters,
// cuSPARSE constants, index parsing, and the internal error raised for a
// value outside each table.
TEST(MatrixEnumsTest, CharactersAndCusparseConstants) {
    for (int v = 0; v < 3; ++v) EXPECT_EQ("NTC"[v], TransOp(v).toChar());
    EXPECT_EQ(2, TransOp(TransOp::ConjTrans).toCusparse());

    EXPECT_EQ('U', SideType(SideType::Upper).toChar());
    EXPECT_EQ('L', SideType(SideType::Lower).toChar());
    EXPECT_EQ(1, SideType(SideType::Upper).toCusparse());
    EXPECT_EQ(0, SideType(SideType::Lower).toCusparse());

    EXPECT_EQ('N', DiagType(DiagType::NonUnit).toChar());
    EXPECT_EQ('U', DiagType(DiagType::Unit).toChar());
    EXPECT_EQ(1, DiagType(DiagType::Unit).toCusparse());

    EXPECT_EQ('C', IndexType(IndexType::ZeroBased).toChar());
    EXPECT_EQ('F', IndexType(IndexType::OneBased).toChar());
    EXPECT_EQ(1, IndexType(IndexType::OneBased).toCusparse());

    for (int v = 0; v < 6; ++v) EXPECT_EQ("GSHTAD"[v], MatrixType(v).toChar());

    EXPECT_EQ(0, PlatformType(PlatformType::Host).value());
    EXPECT_EQ(1, PlatformType(PlatformType::Cuda).value());
}

TEST(MatrixEnumsTest, ValuesOutsideTheTableAreInternalErrorsWithEmptyText) {
    EXPECT_EQ("9: ", failureOf([] { TransOp(3).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { TransOp(-1).toCusparse(); }));
    EXPECT_EQ("9: ", failureOf([] { SideType(2).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { DiagType(2).toCusparse(); }));
    EXPECT_EQ("9: ", failureOf([] { MatrixType(6).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { IndexType::fromChar('x'); }));
    EXPECT_EQ("9: ", failureOf([] { IndexType::fromCusparse(2); }));
}

TEST(MatrixEnumsTest, IndexTypeFromIntIsOneBasedOnlyForOneAndParsesEveryAcceptedCharacter) {
    EXPECT_EQ(IndexType::OneBased, IndexType(1));
    for (int v : {0, 2, -1}) EXPECT_EQ(IndexType::ZeroBased, IndexType(v));
    EXPECT_EQ(1, IndexType(1).toInt());
    EXPECT_EQ(IndexType::OneBased, IndexType::fromCusparse(1));
    EXPECT_EQ(IndexType::ZeroBased, IndexType::fromCusparse(0));
    for (char c : std::string("0CcZz")) EXPECT_EQ(IndexType::ZeroBased, IndexType::fromChar(c)) << c;
    for (char c : std::string("1FfOo")) EXPECT_EQ(IndexType::OneBased, IndexType::fromChar(c)) << c;
}

TEST(MklDescriptorTest, GeneralLowerNonUnitWithTheIndexBase) {
    const MklDescriptor zero(IndexType::ZeroBased);
    EXPECT_EQ("GLNC", std::string(zero.data(), 4));
    MklDescriptor one(IndexType::OneBased);
    EXPECT_EQ("GLNF", std::string(one.data(), 4));
    one.setTriangular(SideType::Upper, DiagType::Unit);
    EXPECT_EQ("TUUF", std::string(one.data(), 4));
}

}  // namespace
