// Right-preconditioned BiCGSTAB(l).
//
// Memory traffic per cycle (one counted iteration): 2l products with A,
// 2l+1 applications of M^-1, and vector work, in units of n values:
//   BiCG steps j = 0..l-1: 2 dots (4), j+1 xpays and j+1 axpys (6(j+1)),
//     1 axpy into e (3): 7l + 3l(l+1);
//   minimal-residual step: l norms-as-dots (l), l dots with R[0] (2l),
//     l(l-1)/2 orthogonalisation pairs of dot and axpy (5l(l-1)/2);
//   updates of e, R[0], U[0]: 3l axpys (9l);
//   cycle start and end: 4 copies (8), 1 fill (1), 1 axpy into x (3),
//     1 norm (1).
// Altogether (11l^2 + 39l + 26)/2 n values, 74n for l = 2.

#include "solver/Bicgstabl.h"

#include <vector>

#include "core/Exception.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

void Bicgstabl::parameterCheck() const {
    checkArgument(options_.l >= 0, "solverOpts.l >= 0");
    checkArgument(options_.l > 0, "solverOpts.l > 0");
}

namespace {

// The host side of the minimal-residual step: the Gram-Schmidt
// coefficients tau(i, j) (1 <= i < j <= l), the squared norms sigma_j and
// the polynomial coefficients gamma, gamma' and gamma'' (indices 1..l).
template <typename T>
struct MinimalResidualCoefficients {
    explicit MinimalResidualCoefficients(int l)
        : tau(l + 1, l + 1, IndexType::ZeroBased),
          sigma(l + 1),
          gamma(l + 1),
          gammaP(l + 1),
          gammaPP(l + 1) {}

    // gamma from gamma' by back substitution with tau, then gamma''.
    void solve(int l) {
        gamma[l] = gammaP[l];
        for (int j = l - 1; j >= 1; --j) {
            T sum(0);
            for (int i = j + 1; i <= l; ++i) sum += tau(j, i) * gamma[i];
            gamma[j] = gammaP[j] - sum;
        }
        for (int j = 1; j <= l - 1; ++j) {
            T sum(0);
            for (int i = j + 1; i <= l - 1; ++i) sum += tau(j, i) * gamma[i + 1];
            gammaPP[j] = gamma[j + 1] + sum;
        }
    }

    HostDenseMatrixAlloc<T> tau;
    std::vector<T> sigma;
    std::vector<T> gamma;
    std::vector<T> gammaP;
    std::vector<T> gammaPP;
};

}  // namespace

template <typename T>
void Bicgstabl::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A,
                         const Vector<T>& b, Vector<T>& x) {
    const int n = x.n();
    const int l = options_.l;
    VectorFactory<T> makeVector(platform);
    Vector<T>& r = makeVector(n);
    Vector<T>& uHat = makeVector(n);
    Vector<T>& rShadow = makeVector(n);
    Vector<T>& e = makeVector(n);
    Vector<T>& w = makeVector(n);
    VectorFactory<T> makeBasisVector(platform);
    std::vector<Vector<T>*> U(l + 1);
    std::vector<Vector<T>*> R(l + 1);
    for (Vector<T>*& u : U) u = &makeBasisVector(n);
    for (Vector<T>*& v : R) v = &makeBasisVector(n);
    MinimalResidualCoefficients<T> c(l);
    kyraSparseResult& res = *result();

    // y <- A M^-1 v
    const auto applyPreconditionedA = [&](const Vector<T>& v, Vector<T>& y) {
        M.apply(TransOp::NoTrans, v, w);
        A.mvm_(TransOp::NoTrans, T(1), w, T(0), y);
    };

    uHat.fill_(T(0));
    iteration0(A, x, b, r);  // r = b - A x
    rShadow.copy_(r);        // r~ = r, kept fixed
    T rho0(1);
    T alpha(0);
    T omega(1);
    for (;;) {
        U[0]->copy_(uHat);
        R[0]->copy_(r);
        e.fill_(T(0));
        rho0 = -omega * rho0;

        // l BiCG steps; e gathers the correction of x (before M^-1).
        for (int j = 0; j < l; ++j) {
            const T rho1 = R[j]->dot_(rShadow);  // rho1 = <r~, R[j]>
            if (breaksDown(rho0)) finish(x, kyraSparseBreakdown);
            const T beta = (rho1 / rho0) * alpha;
            for (int i = 0; i <= j; ++i) U[i]->xpay_(-beta, *R[i]);  // U[i] = R[i] - beta U[i]
            applyPreconditionedA(*U[j], *U[j + 1]);
            const T gamma = U[j + 1]->dot_(rShadow);  // gamma = <r~, U[j+1]>
            if (breaksDown(gamma)) finish(x, kyraSparseBreakdown);
            alpha = rho1 / gamma;
            for (int i = 0; i <= j; ++i) R[i]->axpy_(-alpha, *U[i + 1]);  // R[i] = R[i] - alpha U[i+1]
            applyPreconditionedA(*R[j], *R[j + 1]);
            e.axpy_(alpha, *U[0]);  // e = e + alpha U[0]
            rho0 = rho1;
        }

        // Minimal residual over R[1..l], orthogonalised by modified Gram-Schmidt.
        for (int j = 1; j <= l; ++j) {
            c.sigma[j] = R[j]->dot_(*R[j]);
            if (breaksDown(c.sigma[j])) finish(x, kyraSparseBreakdown);
            // <R[j], R[0]> / sigma_j minimises |R[0] - g R[j]|; its conjugate
            // <R[0], R[j]> would only do so for real data.
            c.gammaP[j] = R[0]->dot_(*R[j]) / c.sigma[j];
            if (j == l) break;
            for (int i = 1; i <= j; ++i) {
                c.tau(i, j + 1) = R[j + 1]->dot_(*R[i]) / c.sigma[i];  // <R[i], R[j+1]> / sigma_i
                R[j + 1]->axpy_(-c.tau(i, j + 1), *R[i]);
            }
        }
        c.solve(l);
        omega = c.gamma[l];

        e.axpy_(c.gamma[1], *R[0]);        // e = e + gamma_1 R[0]
        R[0]->axpy_(-c.gammaP[l], *R[l]);  // R[0] = R[0] - gamma'_l R[l]
        U[0]->axpy_(-c.gamma[l], *U[l]);   // U[0] = U[0] - gamma_l U[l]
        for (int j = 1; j < l; ++j) {
            U[0]->axpy_(-c.gamma[j], *U[j]);
            e.axpy_(c.gammaPP[j], *R[j]);
            R[0]->axpy_(-c.gammaP[j], *R[j]);
        }

        uHat.copy_(*U[0]);
        r.copy_(*R[0]);
        M.apply(TransOp::NoTrans, e, w);  // x = x + M^-1 e
        x.axpy_(T(1), w);

        ++res.iterations;
        checkConvergence(x, r);
    }
}

KYRA_INSTANTIATE_SOLVER(Bicgstabl)

}  // namespace Iterative
