// Preconditioned conjugate gradient.
//
// Memory traffic per iteration: one product with A, which also forms
// <p, A p>, one application of M^-1, which also forms <r, z> (with M = I, z
// is r itself and <r, r> reads n values), and two vector passes: the
// direction update with |p| (2n reads, n writes) and the update of x and r
// with |x| and |r| (4n reads, 2n writes). 9n values besides the product and
// the application, 10n with M = I; the stagnation test's norms come from
// those passes.

#include "solver/Cg.h"

#include "matrix/VectorFactory.h"
#include "platform/Platform.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

template <typename T>
void Cg::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x) {
    using R = kyra::Real<T>;
    const int n = x.n();
    VectorFactory<T> makeVector(platform);
    Vector<T>& r = makeVector(n);
    Vector<T>& p = makeVector(n);
    Vector<T>& q = makeVector(n);
    Vector<T>& z = M.isIdentity() ? r : makeVector(n);  // z = M^-1 r is r itself when M = I
    kyraSparseResult& res = *result();

    iteration0(A, x, b, r);  // r = b - A x
    R xNorm = x.nrm2_();     // |x| for the stagnation test; each update measures it anew
    T rhoOld(0);
    for (;;) {
        const T rho = M.applyDot(r, z);  // z = M^-1 r, rho = <r, z>
        if (breaksDown(rho)) finish(x, kyraSparseBreakdown);

        R pSquares(0);
        if (res.iterations > 0) {
            const T beta = rho / rhoOld;
            if (breaksDown(beta)) finish(x, kyraSparseBreakdown);
            pSquares = p.xpaySquares_(beta, z);  // p = z + beta p
        } else {
            p.copy_(z);  // p = z
            pSquares = kyra::realPart(p.dot_(p));
        }

        const T pq = A.mvmDot_(p, q, p);  // q = A p, pq = <p, A p>
        if (!kyra::IsFinite(pq) || !isPositiveReal(pq)) finish(x, kyraSparseBreakdown);
        const T alpha = rho / pq;
        if (!kyra::IsFinite(alpha)) finish(x, kyraSparseBreakdown);

        updateStagnation(static_cast<double>(xNorm), alpha, static_cast<double>(p.normFrom_(pSquares)));
        // x = x + alpha p and r = r - alpha q, measuring |x| and |r|
        const auto [xSquares, rSquares] = x.waxpyPairSquares_(x, alpha, p, r, r, -alpha, q);
        xNorm = x.normFrom_(xSquares);

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.normFrom_(rSquares)));
        rhoOld = rho;
        checkExitCondition(x);
    }
}

KYRA_INSTANTIATE_SOLVER(Cg)

}  // namespace Iterative
