// Right-preconditioned BiCGSTAB.
//
// Memory traffic per iteration: two products with A, two applications of
// M^-1, and vector work of 4 dots (7n reads: <t, t> reads t once), the
// direction update p = r + beta (p - omega v) as 1 axpy and 1 xpay (4n
// reads, 2n writes), 4 copy-then-axpy pairs for h, s, x and r (12n reads,
// 8n writes) and 1 norm (n reads): 34n values, plus the stagnation tests'
// four norms (4n) when they are on.

#include "solver/Bicgstab.h"

#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

template <typename T>
void Bicgstab::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A,
                        const Vector<T>& b, Vector<T>& x) {
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
            p.axpy_(-omega, v);  // p = r + beta (p - omega v)
            p.xpay_(beta, r);
        }

        M.apply(TransOp::NoTrans, p, pHat);             // p^ = M^-1 p
        A.mvm_(TransOp::NoTrans, T(1), pHat, T(0), v);  // v = A p^
        const T rHatV = v.dot_(rHat);                   // <r^, v>
        if (breaksDown(rHatV)) finish(x, kyraSparseBreakdown);
        alpha = rho / rHatV;

        updateStagnation(x, alpha, pHat);
        h.copy_(x);  // h = x + alpha p^, the half-step iterate
        h.axpy_(alpha, pHat);
        s.copy_(r);  // s = r - alpha v
        s.axpy_(-alpha, v);

        M.apply(TransOp::NoTrans, s, sHat);             // s^ = M^-1 s
        A.mvm_(TransOp::NoTrans, T(1), sHat, T(0), t);  // t = A s^
        const T tt = t.dot_(t);                         // <t, t>
        if (breaksDown(tt)) finish(x, kyraSparseBreakdown);
        omega = s.dot_(t) / tt;  // omega = <t, s> / <t, t>
        if (!kyra::IsFinite(omega)) finish(x, kyraSparseBreakdown);

        updateStagnation(h, omega, sHat);
        x.copy_(h);  // x = h + omega s^
        x.axpy_(omega, sHat);
        r.copy_(s);  // r = s - omega t
        r.axpy_(-omega, t);

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.nrm2_()));
        rhoOld = rho;
        checkExitCondition(x);
    }
}

KYRA_INSTANTIATE_SOLVER(Bicgstab)

}  // namespace Iterative
