// Right-preconditioned BiCGSTAB.
//
// Memory traffic per iteration: two products with A and two applications of
// M^-1, each of which also forms the dot products the next step needs, and
// vector work of 1 dot (2n reads), the direction update p = r + beta (p -
// omega v) (3n reads, n writes), the half step h, s (4n reads, 2n writes),
// the full step x, r with |x| and |r| (4n reads, 2n writes), and the
// products' extra reads of r^ and s (2n): 20n values. The stagnation tests'
// norms come from those passes.

#include "solver/Bicgstab.h"

#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

template <typename T>
void Bicgstab::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A,
                        const Vector<T>& b, Vector<T>& x) {
    using R = kyra::Real<T>;
    const int n = x.n();
    VectorFactory<T> makeVector(platform);
    Vector<T>& r = makeVector(n);
    Vector<T>& rHat = makeVector(n);
    Vector<T>& v = makeVector(n);
    Vector<T>& p = makeVector(n);
    Vector<T>& pHat = makeVector(n);
    Vector<T>& s = makeVector(n);
    Vector<T>& sHat = makeVector(n);
    Vector<T>& t = makeVector(n);
    Vector<T>& h = makeVector(n);
    kyraSparseResult& res = *result();

    iteration0(A, x, b, r);  // r = b - A x
    rHat.copy_(r);           // r^ = r, kept fixed
    R xNorm = x.nrm2_();     // |x| for the stagnation test; each update measures it anew
    T rhoOld(0);
    T alpha(0);
    T omega(0);
    for (;;) {
        const T rho = r.dot_(rHat);  // rho = <r^, r>
        if (breaksDown(rho)) finish(x, kyraSparseBreakdown);

        if (res.iterations == 0) {
            p.copy_(r);
        } else {
            const T beta = (rho / rhoOld) * (alpha / omega);
            if (breaksDown(beta)) finish(x, kyraSparseBreakdown);
            p.axpyXpay_(-omega, v, beta, r);  // p = r + beta (p - omega v)
        }

        const R pHatSquares = M.applySquares(p, pHat);  // p^ = M^-1 p
        const T rHatV = A.mvmDot_(pHat, v, rHat);       // v = A p^, <r^, v>
        if (breaksDown(rHatV)) finish(x, kyraSparseBreakdown);
        alpha = rho / rHatV;

        updateStagnation(static_cast<double>(xNorm), alpha, static_cast<double>(pHat.normFrom_(pHatSquares)));
        // h = x + alpha p^, the half-step iterate, and s = r - alpha v
        const R hSquares = h.waxpyPairSquares_(x, alpha, pHat, s, r, -alpha, v).first;

        const R sHatSquares = M.applySquares(s, sHat);     // s^ = M^-1 s
        const ProductDots<T> ts = A.mvmDots_(sHat, t, s);  // t = A s^, <s, t> and <t, t>
        if (breaksDown(ts.squares)) finish(x, kyraSparseBreakdown);
        omega = kyra::conj(ts.dot) / T(ts.squares);  // omega = <t, s> / <t, t>
        if (!kyra::IsFinite(omega)) finish(x, kyraSparseBreakdown);

        updateStagnation(static_cast<double>(h.normFrom_(hSquares)), omega,
                         static_cast<double>(sHat.normFrom_(sHatSquares)));
        // x = h + omega s^ and r = s - omega t, measuring |x| and |r|
        const auto [xSquares, rSquares] = x.waxpyPairSquares_(h, omega, sHat, r, s, -omega, t);
        xNorm = x.normFrom_(xSquares);

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.normFrom_(rSquares)));
        rhoOld = rho;
        checkExitCondition(x);
    }
}

KYRA_INSTANTIATE_SOLVER(Bicgstab)

}  // namespace Iterative
