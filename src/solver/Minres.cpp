// Preconditioned MINRES.
//
// Memory traffic per iteration: one product with A, one application of
// M^-1, and vector work of 9 copies (v and the shifts of r1, r2, w, w1, w2,
// A w, A w1, A w2: 18n), 3 scales (v, w, A w: 6n), 8 axpys (two on y, four
// on w and A w, x and r: 24n), 2 dots (4n) and 1 norm (n): 53n values, plus
// the stagnation test's two norms (2n) when it is on.

#include "solver/Minres.h"

#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

namespace {

// beta = sqrt(<r2, M^-1 r2>) needs a positive inner product: a zero one
// means an exhausted Krylov space, a negative one an indefinite M.
template <typename T>
bool lanczosNormBreaksDown(const T& q) {
    return !kyra::IsFinite(q) || !isPositiveReal(q);
}

}  // namespace

template <typename T>
void Minres::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A,
                      const Vector<T>& b, Vector<T>& x) {
    const int n = x.n();
    VectorFactory<T> makeVector(platform);
    Vector<T>& r = makeVector(n);
    Vector<T>& y = makeVector(n);
    Vector<T>& v = makeVector(n);
    Vector<T>& r2 = makeVector(n);
    Vector<T>& r1 = makeVector(n);
    Vector<T>& Av1 = makeVector(n);
    Vector<T>& w = makeVector(n);
    Vector<T>& w1 = makeVector(n);
    Vector<T>& w2 = makeVector(n);
    Vector<T>& Aw = makeVector(n);
    Vector<T>& Aw1 = makeVector(n);
    Vector<T>& Aw2 = makeVector(n);
    kyraSparseResult& res = *result();

    // q = <r2, y> for y = M^-1 r2, checked before its root is taken.
    const auto preconditionedNorm = [&]() {
        M.apply(TransOp::NoTrans, r2, y);
        const T q = y.dot_(r2);
        if (lanczosNormBreaksDown(q)) finish(x, kyraSparseBreakdown);
        return kyra::sqrt(q);
    };

    // The first Lanczos step, taken before counting starts.
    iteration0(A, x, b, r);  // r = b - A x
    r2.copy_(r);
    const T beta1 = preconditionedNorm();
    v.copy_(y);  // v = M^-1 r2 / beta1
    v.scal_(T(1) / beta1);
    A.mvm_(TransOp::NoTrans, T(1), v, T(0), y);  // y = A v
    Av1.copy_(y);
    T alpha = y.dot_(v);                   // alpha = <v, A v>
    y.axpy_(-alpha / beta1, r2);           // y = A v - (alpha / beta1) r2
    y.axpy_(-(y.dot_(v) / v.dot_(v)), v);  // re-orthogonalise against v
    r1.copy_(r2);
    r2.copy_(y);
    T beta = preconditionedNorm();
    T betaPrev = beta1;
    T deltaBar = beta;
    T gamma = kyra::sqrt(alpha * alpha + beta * beta);
    w1.fill_(T(0));
    Aw1.copy_(w1);
    w.copy_(v);  // w = v / gamma
    w.scal_(T(1) / gamma);
    Aw.copy_(Av1);  // A w = A v / gamma
    Aw.scal_(T(1) / gamma);
    T cs = alpha / gamma;
    T sn = beta / gamma;
    x.axpy_(cs * beta1, w);
    T phiBar = sn * beta1;
    r.axpy_(-(beta1 * cs), Aw);
    T epsilon(0);

    for (;;) {
        v.copy_(y);  // v = y / beta
        v.scal_(T(1) / beta);
        A.mvm_(TransOp::NoTrans, T(1), v, T(0), y);  // y = A v
        Aw2.copy_(Aw1);
        Aw1.copy_(Aw);
        Aw.copy_(y);
        y.axpy_(-(beta / betaPrev), r1);  // y = A v - (beta / beta_prev) r1
        alpha = y.dot_(v);                // alpha = <v, y>
        y.axpy_(-(alpha / beta), r2);     // y = y - (alpha / beta) r2
        r1.copy_(r2);
        r2.copy_(y);
        const T betaNew = preconditionedNorm();

        // Previous rotation applied to the new column of the tridiagonal matrix.
        const T delta = cs * deltaBar + sn * alpha;
        w2.copy_(w1);
        w1.copy_(w);
        w.copy_(v);
        w.axpy_(-delta, w1);  // w = v - delta w1 - epsilon w2
        w.axpy_(-epsilon, w2);
        Aw.axpy_(-delta, Aw1);  // A w = A v - delta A w1 - epsilon A w2
        Aw.axpy_(-epsilon, Aw2);
        const T gammaBar = sn * deltaBar - cs * alpha;
        epsilon = sn * betaNew;
        deltaBar = -cs * betaNew;

        // New rotation annihilating beta_new.
        gamma = kyra::sqrt(gammaBar * gammaBar + betaNew * betaNew);
        w.scal_(T(1) / gamma);
        Aw.scal_(T(1) / gamma);
        cs = gammaBar / gamma;
        sn = betaNew / gamma;
        const T phi = cs * phiBar;

        updateStagnation(x, phi, w);
        x.axpy_(phi, w);              // x = x + phi w
        r.axpy_(-(cs * phiBar), Aw);  // r = r - phi A w
        phiBar = sn * phiBar;

        ++res.iterations;
        recordResidual(x, static_cast<double>(r.nrm2_()));
        betaPrev = beta;
        checkExitCondition(x);
        beta = betaNew;
    }
}

KYRA_INSTANTIATE_SOLVER(Minres)

}  // namespace Iterative
