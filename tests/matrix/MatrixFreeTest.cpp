// The matrix-free operator: the caller's callback does y <- op(A) x, any
// other alpha or beta is refused, and every entry-based operation is not
// implemented.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixFree.h"

namespace {

using namespace Iterative;

// y <- op(A) x for A = [[1, 2], [3, 4]] (times i for complex data), and a
// record of what the callback was handed.
struct Seen {
    char op = 0;
    const void* x = nullptr;
    void* y = nullptr;
    int calls = 0;
};

template <typename T>
T scaleOf() {
    if constexpr (kyra::IsComplex<T>::value) {
        return T(0, 1);
    } else {
        return T(1);
    }
}

template <typename T>
void apply(char op, const PublicScalar<T>* xPublic, PublicScalar<T>* yPublic, void* user) {
    Seen& seen = *static_cast<Seen*>(user);
    seen.op = op;
    seen.x = xPublic;
    seen.y = yPublic;
    ++seen.calls;
    const T* x = reinterpret_cast<const T*>(xPublic);
    const auto entry = [](int i, int j) {
        return T(static_cast<kyra::Real<T>>(1 + 2 * i + j)) * scaleOf<T>();
    };
    const std::vector<T> y = denseProduct(2, 2, entry, op, std::vector<T>(x, x + 2));
    std::copy(y.begin(), y.end(), reinterpret_cast<T*>(yPublic));
}

template <typename T>
class MatrixFreeTest : public ::testing::Test {};

TYPED_TEST_SUITE(MatrixFreeTest, AllScalarTypes);

TYPED_TEST(MatrixFreeTest, ProductCallsTheCallbackWithTheOperationCharacter) {
    using T = TypeParam;
    Seen seen;
    MatrixFree<T> A(PlatformType::Cuda, 2, 2, &apply<T>, &seen);
    EXPECT_EQ(2, A.m());
    EXPECT_EQ(2, A.n());
    EXPECT_EQ(PlatformType::Cuda, A.platform());
    EXPECT_EQ("matrix free", A.name());

    HostVectorAlloc<T> x(2), y(2);
    x(0) = T(1);
    x(1) = T(1);
    const char expectedOp[] = {'N', 'T', 'C'};
    const T expectedFirst[] = {T(3) * scaleOf<T>(), T(4) * scaleOf<T>(), T(4) * kyra::conj(scaleOf<T>())};
    for (int op = 0; op < 3; ++op) {
        A.mvm_(TransOp(op), T(1), x, T(0), y);
        EXPECT_EQ(expectedOp[op], seen.op);
        EXPECT_EQ(static_cast<const void*>(x.val()), seen.x);
        EXPECT_EQ(static_cast<void*>(y.val()), seen.y);
        EXPECT_EQ(expectedFirst[op], y(0));
    }
    EXPECT_EQ(3, seen.calls);
}

TYPED_TEST(MatrixFreeTest, AlphaOtherThanOneAndBetaOtherThanZeroAreRefused) {
    using T = TypeParam;
    Seen seen;
    MatrixFree<T> A(PlatformType::Host, 2, 2, &apply<T>, &seen);
    HostVectorAlloc<T> x(2), y(2);
    EXPECT_EQ("6: matrix free requires alpha = 1",
              failureOf([&] { A.mvm_(TransOp::NoTrans, T(2), x, T(0), y); }));
    EXPECT_EQ("6: matrix free requires alpha = 1",
              failureOf([&] { A.mvm_(TransOp::NoTrans, T(2), x, T(1), y); }));
    EXPECT_EQ("6: matrix free requires beta = 0",
              failureOf([&] { A.mvm_(TransOp::NoTrans, T(1), x, T(1), y); }));
    if constexpr (kyra::IsComplex<T>::value) {
        // Both parts are compared.
        EXPECT_EQ("6: matrix free requires alpha = 1",
                  failureOf([&] { A.mvm_(TransOp::NoTrans, T(1, 1), x, T(0), y); }));
        EXPECT_EQ("6: matrix free requires beta = 0",
                  failureOf([&] { A.mvm_(TransOp::NoTrans, T(1), x, T(0, 1e-30f), y); }));
    }
    EXPECT_EQ(0, seen.calls);
}

TYPED_TEST(MatrixFreeTest, EntryBasedOperationsAreNotImplemented) {
    using T = TypeParam;
    Seen seen;
    MatrixFree<T> A(PlatformType::Host, 2, 2, &apply<T>, &seen);
    HostVectorAlloc<T> x(2), y(2);
    EXPECT_EQ("6: triangular matrix solver",
              failureOf([&] { A.trsv_(SideType::Lower, TransOp::NoTrans, DiagType::Unit, x, y); }));
    EXPECT_EQ("6: jacobi preconditioner", failureOf([&] { A.makeJacobi_(kyraSparseJacobiOptions{}); }));
    EXPECT_EQ("6: block jacobi preconditioner",
              failureOf([&] { A.makeBlockJacobi_(kyraSparseBlockjacobiOptions{}); }));
    EXPECT_EQ("6: ilu0 preconditioner", failureOf([&] { A.makeIlu0_(kyraSparseIlu0Options{}); }));
    EXPECT_EQ("6: ainv preconditioner", failureOf([&] { A.makeAinv_(kyraSparseAinvOptions{}); }));
    EXPECT_EQ("6: factorized ainv preconditioner",
              failureOf([&] { A.makeFactorizedAinv_(kyraSparseFainvOptions{}); }));
    EXPECT_EQ("6: matrix view", failureOf([&] { A.makeMatrixView_(SideType::Upper, DiagType::NonUnit); }));
    EXPECT_EQ("6: transpose", failureOf([&] { A.transpose_(false); }));
    EXPECT_EQ("6: format check", failureOf([&] { A.isValidFormat_(); }));
}

}  // namespace
