// Preconditioned conjugate gradient.
//
// Memory traffic per iteration: one product with A, one application of M^-1,
// and vector work of 2 dots (4n reads), 1 xpay (2n reads, n writes) and
// 2 axpys (4n reads, 2n writes) plus 1 norm (n reads): 14n values, plus the
// stagnation test's two norms (2n) when it is on.

#include "solver/Cg.h"

#include "platform/Platform.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

namespace {
template <typename T>
bool isPositiveReal(const T& v) {
    return kyra::realPart(v) > kyra::Real<T>(0);
}
}  // namespace

template <typename T>
void Cg::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x) {
    const int n = x.n();
    const std::shared_ptr<Vector<T>> rVector = platform.makeVector(static_cast<T*>(nullptr), n);
    const std::shared_ptr<Vector<T>> pVector = platform.makeVector(static_cast<T*>(nullptr), n);
    const std::shared_ptr<Vector<T>> qVector = platform.makeVector(static_cast<T*>(nullptr), n);
    const std::shared_ptr<Vector<T>> zVector = platform.makeVector(static_cast<T*>(nullptr), n);
    Vector<T>& r = *rVector;
    Vector<T>& p = *pVector;
    Vector<T>& q = *qVector;
    Vector<T>& z = *zVector;
    kyraSparseResult& res = *result();

    iteration0(A, x, b, r);  // r = b - A x
    T rhoOld(0);
    for (;;) {
        M.apply(TransOp::NoTrans, r, z);  // z = M^-1 r
        const T rho = z.dot_(r);          // rho = <r, z>
        if (!kyra::IsFinite(rho) || kyra::isZero(rho)) finish(x, kyraSparseBreakdown);

        if (res.iterations > 0) {
            const T beta = rho / rhoOld;
            if (!kyra::IsFinite(beta) || kyra::isZero(beta)) finish(x, kyraSparseBreakdown);
            p.xpay_(beta, z);  // p = z + beta p
        } else {
            p.copy_(z);  // p = z
        }

        A.mvm_(TransOp::NoTrans, T(1), p, T(0), q);  // q = A p
        const T pq = q.dot_(p);                      // pq = <p, A p>
        if (!kyra::IsFinite(pq) || !isPositiveReal(pq)) finish(x, kyraSparseBreakdown);
        const T alpha = rho / pq;
        if (!kyra::IsFinite(alpha)) finish(x, kyraSparseBreakdown);

        updateStagnation(x, alpha, p);
        x.axpy_(alpha, p);   // x = x + alpha p
        r.axpy_(-alpha, q);  // r = r - alpha q

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.nrm2_()));
        rhoOld = rho;
        checkExitCondition(x);
    }
}

KYRA_INSTANTIATE_SOLVER(Cg)

}  // namespace Iterative
