// Restarted GMRES(m), left-preconditioned, with modified Gram-Schmidt and
// Givens rotations.
//
// Memory traffic per cycle (one counted iteration) of k Arnoldi steps:
// k+1 products with A and k+1 applications of M^-1 (one of each for the
// recomputed residual), and vector work, in units of n values:
//   Arnoldi step j = 0..k-1: j+1 dots and j+1 axpys against the basis
//     (5(j+1)), 1 norm (1), 1 copy and 1 scale into V[j+1] (4);
//   start: 1 copy and 1 scale into V[0] (4);
//   end: k axpys into x (3k), b - A x as 1 copy and 1 axpy (5), 1 norm (1).
// Altogether (5k^2 + 21k + 20)/2 n values. The least-squares work is O(k^2)
// scalars on the host and does not touch the vectors.

#include "solver/Gmres.h"

#include <algorithm>
#include <vector>

#include "core/Exception.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/HostVector.h"
#include "matrix/VectorFactory.h"
#include "preconditioner/Preconditioner.h"
#include "solver/KrylovScalars.h"

namespace Iterative {

void Gmres::parameterCheck() const { checkArgument(options_.restart >= 0, "solverOpts.restart >= 0"); }

namespace {

// The least-squares problem min |g0 e_0 - H y| of one cycle, kept upper
// triangular by Givens rotations as the Hessenberg columns arrive.
template <typename T>
class HessenbergLeastSquares {
  public:
    explicit HessenbergLeastSquares(int m)
        : H_(m + 1, m, IndexType::ZeroBased), g_(m + 1), rotations_(static_cast<std::size_t>(m) + 1) {}

    void start(T g0) {
        g_.fill_(T(0));
        g_(0) = g0;
    }

    T& h(int i, int j) { return H_(i, j); }

    // Rotates the new column j into triangular form and returns the
    // residual estimate |g_{j+1}|. A zero subdiagonal (exact breakdown)
    // needs no rotation and leaves g_{j+1} = 0.
    kyra::Real<T> reduceColumn(int j) {
        for (int i = 0; i < j; ++i) rotations_[i].apply(H_(i, j), H_(i + 1, j));
        if (!kyra::isZero(H_(j + 1, j))) {
            rotations_[j] = GivensRotation<T>::annihilating(H_(j, j), H_(j + 1, j));
            rotations_[j].apply(H_(j, j), H_(j + 1, j));
            rotations_[j].apply(g_(j), g_(j + 1));
        }
        return kyra::abs(g_(j + 1));
    }

    // y (k entries) solving the leading k x k triangle against g.
    void solve(int k, HostVectorAlloc<T>& y) {
        const HostDenseMatrixRef<T> triangle(k, k, H_.data(), H_.lda(), IndexType::ZeroBased);
        const HostVectorRef<T> rhs(k, g_.val());
        triangle.trsv_(SideType::Upper, TransOp::NoTrans, DiagType::NonUnit, rhs, y);
    }

  private:
    HostDenseMatrixAlloc<T> H_;
    HostVectorAlloc<T> g_;
    std::vector<GivensRotation<T>> rotations_;
};

}  // namespace

template <typename T>
void Gmres::details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A,
                     const Vector<T>& b, Vector<T>& x) {
    using R = kyra::Real<T>;
    const int n = x.n();
    const int m = std::min(n, options_.restart);
    HessenbergLeastSquares<T> lsq(m);
    VectorFactory<T> makeBasisVector(platform);
    std::vector<Vector<T>*> V(static_cast<std::size_t>(m) + 1);
    for (Vector<T>*& v : V) v = &makeBasisVector(n);
    VectorFactory<T> makeVector(platform);
    Vector<T>& r = makeVector(n);
    Vector<T>& w = makeVector(n);
    Vector<T>& z = makeVector(n);
    Vector<T>& t = makeVector(n);
    kyraSparseResult& res = *result();
    const double absoluteTolerance = config()->absoluteTolerance;

    iteration0(A, x, b, r);  // r = b - A x, not preconditioned in the first cycle
    for (;;) {
        // |r| is never 0 here: a zero residual has already ended the run.
        const R rho = static_cast<R>(res.absoluteResidual);
        V[0]->copy_(r);  // V[0] = r / rho
        V[0]->scal_(T(R(1) / rho));
        lsq.start(T(rho));

        int k = 0;
        for (int j = 0; j < m; ++j) {
            A.mvm_(TransOp::NoTrans, T(1), *V[j], T(0), z);  // w = M^-1 A V[j]
            M.apply(TransOp::NoTrans, z, w);
            for (int i = 0; i <= j; ++i) {
                T& hij = lsq.h(i, j);
                hij = w.dot_(*V[i]);  // H(i, j) = <V[i], w>
                w.axpy_(-hij, *V[i]);
            }
            const R wNorm = w.nrm2_();
            lsq.h(j + 1, j) = T(wNorm);
            V[j + 1]->copy_(w);  // V[j+1] = w / |w|
            V[j + 1]->scal_(T(R(1) / wNorm));
            const R estimate = lsq.reduceColumn(j);
            k = j + 1;
            if (absoluteTolerance >= static_cast<double>(estimate)) break;
        }

        if (k > 0) {
            HostVectorAlloc<T> y(k);
            lsq.solve(k, y);
            for (int i = 0; i < k; ++i) x.axpy_(y(i), *V[i]);  // x = x + V y
        }

        t.copy_(b);  // r = M^-1 (b - A x)
        A.mvm_(TransOp::NoTrans, T(1), x, T(0), z);
        t.axpy_(T(-1), z);
        M.apply(TransOp::NoTrans, t, r);

        ++res.iterations;
        checkConvergence(x, r);
    }
}

KYRA_INSTANTIATE_SOLVER(Gmres)

}  // namespace Iterative
