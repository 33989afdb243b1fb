// Preconditioned biconjugate gradient.
//
// Memory traffic per iteration: one product with A and one with A^H, one
// application each of M^-1 and M^-H, and vector work of 2 dots (4n reads),
// 2 xpays (4n reads, 2n writes), 3 axpys (6n reads, 3n writes) and 1 norm
// (n reads): 20n values, plus the stagnation test's two norms (2n) when it
// is on.

#include "solver/Bicg.h"

#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

namespace {

// y <- A^H x, by the formed conjugate transpose when there is one.
template <typename T>
void multiplyAdjoint(const Matrix<T>& A, const Matrix<T>* formedAdjoint, const Vector<T>& x, Vector<T>& y) {
    if (formedAdjoint) {
        formedAdjoint->mvm_(TransOp::NoTrans, T(1), x, T(0), y);
    } else {
        A.mvm_(TransOp::ConjTrans, T(1), x, T(0), y);
    }
}

}  // namespace

template <typename T>
void Bicg::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                    Vector<T>& x) {
    const int n = x.n();
    VectorFactory<T> makeVector(platform);
    Vector<T>& p = makeVector(n);
    Vector<T>& r = makeVector(n);
    Vector<T>& q = makeVector(n);
    Vector<T>& z = makeVector(n);
    Vector<T>& pShadow = makeVector(n);
    Vector<T>& rShadow = makeVector(n);
    Vector<T>& qShadow = makeVector(n);
    Vector<T>& zShadow = makeVector(n);
    kyraSparseResult& res = *result();

    const std::shared_ptr<Matrix<T>> adjoint = options_.explicitTranspose ? A.transpose_(true) : nullptr;

    iteration0(A, x, b, r);  // r = b - A x
    rShadow.copy_(r);        // r~ = r
    T rhoOld(0);
    for (;;) {
        M.apply(TransOp::NoTrans, r, z);                // z = M^-1 r
        M.apply(TransOp::ConjTrans, rShadow, zShadow);  // z~ = M^-H r~
        const T rho = z.dot_(rShadow);                  // rho = <r~, z>
        if (breaksDown(rho)) finish(x, kyraSparseBreakdown);

        if (res.iterations > 0) {
            const T beta = rho / rhoOld;
            if (breaksDown(beta)) finish(x, kyraSparseBreakdown);
            p.xpay_(beta, z);                          // p = z + beta p
            pShadow.xpay_(kyra::conj(beta), zShadow);  // p~ = z~ + conj(beta) p~
        } else {
            p.copy_(z);
            pShadow.copy_(zShadow);
        }

        A.mvm_(TransOp::NoTrans, T(1), p, T(0), q);           // q = A p
        multiplyAdjoint(A, adjoint.get(), pShadow, qShadow);  // q~ = A^H p~
        const T pq = q.dot_(pShadow);                         // pq = <p~, A p>
        if (breaksDown(pq)) finish(x, kyraSparseBreakdown);
        const T alpha = rho / pq;

        updateStagnation(x, alpha, p);
        x.axpy_(alpha, p);                           // x = x + alpha p
        r.axpy_(-alpha, q);                          // r = r - alpha q
        rShadow.axpy_(-kyra::conj(alpha), qShadow);  // r~ = r~ - conj(alpha) q~

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.nrm2_()));
        rhoOld = rho;
        checkExitCondition(x);
    }
}

KYRA_INSTANTIATE_SOLVER(Bicg)

}  // namespace Iterative
