// Host CSR matrices: the three storage variants, products and solves through
// the matrix interface against dense references, triangular views,
// transposes, the unimplemented operations, and the CSR copy.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Copy.h"
#include "core/Exception.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"

#include "common/RandomScalars.h"

namespace {

using namespace Iterative;

template <typename T>
void expectAllClose(const std::vector<T>& expected, const T* actual) {
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_LE(kyra::abs(expected[i] - actual[i]), tolerance<T>() * (1 + kyra::abs(expected[i])))
            << "element " << i;
    }
}

// A 4 x 4 matrix with a full diagonal, written as dense rows and as CSR
// arrays in either index base (row 1 stored out of column order).
template <typename T>
struct Example {
    explicit Example(int base) {
        const T a = T(2), b = T(-1), c = T(3), d = T(0.5);
        dense = {{T(4), a, T(0), T(0)}, {b, T(5), T(0), c}, {T(0), d, T(6), T(0)}, {a, T(0), b, T(7)}};
        rowPtr = {0, 2, 5, 7, 10};
        colInd = {0, 1, 3, 1, 0, 1, 2, 0, 2, 3};
        for (size_t p = 0, i = 0; p < colInd.size(); ++p) {
            while (static_cast<int>(p) >= rowPtr[i + 1]) ++i;
            val.push_back(dense[i][colInd[p]]);
        }
        for (int& r : rowPtr) r += base;
        for (int& c2 : colInd) c2 += base;
    }
    std::vector<std::vector<T>> dense;
    std::vector<T> val;
    std::vector<int> rowPtr;
    std::vector<int> colInd;
};

template <typename T>
T denseEntry(const Example<T>& e, char op, int r, int c) {
    const T a = op == 'N' ? e.dense[r][c] : e.dense[c][r];
    return op == 'C' ? kyra::conj(a) : a;
}

template <typename T>
class HostCsrMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{41};
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(HostCsrMatrixTest, ScalarTypes);

TYPED_TEST(HostCsrMatrixTest, RefWrapsOneBasedArraysWithoutConvertingThem) {
    using T = TypeParam;
    Example<T> e(1);
    const std::vector<int> rowPtrBefore = e.rowPtr;
    HostCsrMatrixRef<T> A(4, 4, 10, e.val.data(), e.rowPtr.data(), e.colInd.data(), IndexType::OneBased);
    EXPECT_EQ(IndexType::OneBased, A.index());
    EXPECT_EQ(std::string("GLNF"), std::string(A.descriptor(), 4));
    EXPECT_EQ("host csr matrix", A.name());
    EXPECT_EQ(PlatformType::Host, A.platform());
    EXPECT_EQ(e.val.data(), A.val());

    const T alpha = randomScalar<T>(this->rng);
    const T beta = randomScalar<T>(this->rng);
    for (char op : {'N', 'T', 'C'}) {
        SCOPED_TRACE(std::string("op ") + op);
        HostVectorAlloc<T> x(4), y(4);
        for (int i = 0; i < 4; ++i) {
            x(i) = randomScalar<T>(this->rng);
            y(i) = randomScalar<T>(this->rng);
        }
        std::vector<T> expected(4);
        for (int r = 0; r < 4; ++r) {
            T sum = T(0);
            for (int c = 0; c < 4; ++c) sum += denseEntry(e, op, r, c) * x(c);
            expected[r] = alpha * sum + beta * y(r);
        }
        A.mvm_(TransOp(op == 'N' ? 0 : op == 'T' ? 1 : 2), alpha, x, beta, y);
        expectAllClose(expected, y.val());
    }
    EXPECT_EQ(rowPtrBefore, e.rowPtr);
}

TYPED_TEST(HostCsrMatrixTest, ViewsMultiplyAndSolveWithTheirTriangleOnly) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Example<T> e(base);
        HostCsrMatrixRef<T> A(4, 4, 10, e.val.data(), e.rowPtr.data(), e.colInd.data(), IndexType(base));
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

                auto inTriangle = [&](int r, int c) { return side == SideType::Lower ? c <= r : c >= r; };
                auto entry = [&](int r, int c) {
                    if (r == c && diag == DiagType::Unit) return T(1);
                    return inTriangle(r, c) ? e.dense[r][c] : T(0);
                };
                HostVectorAlloc<T> x(4), y(4), solved(4);
                for (int i = 0; i < 4; ++i) x(i) = randomScalar<T>(this->rng);
                view->mvm_(TransOp::NoTrans, T(1), x, T(0), y);
                std::vector<T> expected(4, T(0));
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 4; ++c) expected[r] += entry(r, c) * x(c);
                }
                expectAllClose(expected, y.val());

                // Solving with the product gives x back, for each operation.
                view->trsv_(side, TransOp::NoTrans, diag, y, solved);
                expectAllClose(std::vector<T>(x.val(), x.val() + 4), solved.val());
                for (TransOp op : {TransOp::Trans, TransOp::ConjTrans}) {
                    view->mvm_(op, T(1), x, T(0), y);
                    view->trsv_(side, op, diag, y, solved);
                    expectAllClose(std::vector<T>(x.val(), x.val() + 4), solved.val());
                }
            }
        }
    }
}

TYPED_TEST(HostCsrMatrixTest, SolveTakesTriangleAndDiagonalFromTheDescriptorOnly) {
    using T = TypeParam;
    Example<T> e(0);
    HostCsrMatrixRef<T> A(4, 4, 10, e.val.data(), e.rowPtr.data(), e.colInd.data(), IndexType::ZeroBased);
    const auto lowerUnit = A.makeMatrixView_(SideType::Lower, DiagType::Unit);
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
        HostCsrMatrixRef<T> A(4, 4, 10, e.val.data(), e.rowPtr.data(), e.colInd.data(), IndexType(base));
        for (bool conjugate : {false, true}) {
            const auto At = std::dynamic_pointer_cast<HostCsrMatrixAlloc<T>>(A.transpose_(conjugate));
            ASSERT_NE(nullptr, At);
            EXPECT_EQ(IndexType(base), At->index());
            EXPECT_EQ(10, At->nnz());
            HostVectorAlloc<T> x(4), viaTranspose(4), viaOperation(4);
            for (int i = 0; i < 4; ++i) x(i) = randomScalar<T>(this->rng);
            At->mvm_(TransOp::NoTrans, T(1), x, T(0), viaTranspose);
            A.mvm_(conjugate ? TransOp::ConjTrans : TransOp::Trans, T(1), x, T(0), viaOperation);
            expectAllClose(std::vector<T>(viaOperation.val(), viaOperation.val() + 4), viaTranspose.val());
        }
    }
}

TEST(HostCsrTransposeTest, ConjugateTransposeOfOneComplexEntry) {
    using C = kyra::Complex<double>;
    C val[] = {C(1, 2)};
    int rowPtr[] = {0, 1, 1};
    int colInd[] = {1};
    HostCsrMatrixRef<C> A(2, 2, 1, val, rowPtr, colInd, IndexType::ZeroBased);
    const auto plain = std::dynamic_pointer_cast<HostCsrMatrix<C>>(A.transpose_(false));
    const auto conjugated = std::dynamic_pointer_cast<HostCsrMatrix<C>>(A.transpose_(true));
    for (const auto& At : {plain, conjugated}) {
        EXPECT_EQ(0, At->rowPtr()[0]);
        EXPECT_EQ(0, At->rowPtr()[1]);
        EXPECT_EQ(1, At->rowPtr()[2]);
        EXPECT_EQ(0, At->colInd()[0]);
    }
    EXPECT_EQ(C(1, 2), plain->val()[0]);
    EXPECT_EQ(C(1, -2), conjugated->val()[0]);
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

TYPED_TEST(HostCsrMatrixTest, AllocStartsZeroAndOwnsItsArrays) {
    using T = TypeParam;
    HostCsrMatrixAlloc<T> A(3, 5, 4, IndexType::OneBased);
    EXPECT_EQ(3, A.m());
    EXPECT_EQ(5, A.n());
    EXPECT_EQ(4, A.nnz());
    EXPECT_EQ(IndexType::OneBased, A.index());
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(T(0), A.val()[p]);
        EXPECT_EQ(0, A.colInd()[p]);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(0, A.rowPtr()[i]);
}

TYPED_TEST(HostCsrMatrixTest, SharedRefMatricesShareThePatternAndKeepItAlive) {
    using T = TypeParam;
    Example<T> e(0);
    std::shared_ptr<HostCsrMatrixSharedRef<T>> B;
    {
        auto val = std::make_shared<std::vector<T>>(e.val);
        auto rowPtr = std::make_shared<std::vector<int>>(e.rowPtr);
        auto colInd = std::make_shared<std::vector<int>>(e.colInd);
        HostCsrMatrixSharedRef<T> A(4, 4, 10, val, rowPtr, colInd, IndexType::ZeroBased);
        EXPECT_EQ(val->data(), A.val());
        B = std::make_shared<HostCsrMatrixSharedRef<T>>(4, 4, 10, A.sharedRowPtr(), A.sharedColInd(),
                                                        IndexType::ZeroBased);
        EXPECT_EQ(A.rowPtr(), B->rowPtr());
        EXPECT_EQ(A.colInd(), B->colInd());
        EXPECT_NE(A.val(), B->val());
    }
    EXPECT_EQ(2, B->rowPtr()[1]);  // the pattern outlives the first holder
    for (int p = 0; p < 10; ++p) EXPECT_EQ(T(0), B->val()[p]);
}

TYPED_TEST(HostCsrMatrixTest, SharedRefAccessorsRejectEmptyArrays) {
    using T = TypeParam;
    HostCsrMatrixSharedRef<T> A(0, 0, 0, std::make_shared<std::vector<T>>(),
                                std::make_shared<std::vector<int>>(), std::make_shared<std::vector<int>>(),
                                IndexType::ZeroBased);
    try {
        A.val();
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_EQ(0, std::string(e.what()).find("vector::_M_range_check"));
    }
    EXPECT_THROW(A.rowPtr(), std::out_of_range);
    const HostCsrMatrixSharedRef<T>& constA = A;
    EXPECT_THROW(constA.colInd(), std::out_of_range);
}

// "<status>: <text>" of what operation raised.
template <typename Operation>
std::string failureOf(Operation operation) {
    try {
        operation();
    } catch (const KyraSparseException& e) {
        return std::to_string(e.code()) + ": " + e.what();
    }
    return "no exception";
}

TYPED_TEST(HostCsrMatrixTest, FormatCheckIsNotImplemented) {
    using T = TypeParam;
    HostCsrMatrixAlloc<T> A(2, 2, 0, IndexType::ZeroBased);
    EXPECT_EQ("6: format check", failureOf([&] { A.isValidFormat_(); }));
}

TYPED_TEST(HostCsrMatrixTest, CopyTakesTheDestinationsCountsAndKeepsItsDescriptor) {
    using T = TypeParam;
    Example<T> e(1);
    HostCsrMatrixRef<T> src(4, 4, 10, e.val.data(), e.rowPtr.data(), e.colInd.data(), IndexType::OneBased);
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

}  // namespace
