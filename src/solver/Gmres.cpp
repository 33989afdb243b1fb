// Restarted GMRES(m), left-preconditioned, with modified Gram-Schmidt and
// Givens rotations.
//
// Memory traffic per cycle (one counted iteration) of k Arnoldi steps:
// k+1 products with A and k+1 applications of M^-1 (one of each for the
// recomputed residual; with M = I the Arnoldi steps apply nothing), and
// vector work, in units of n values:
//   Arnoldi step j = 0..k-1: 1 dot (2), j passes that subtract one
//     projection and form the next dot (4j), 1 that subtracts the last and
//     measures |w| (3), 1 scaled copy into V[j+1] (2);
//   start: 1 scaled copy into V[0] (2);
//   end: k axpys into x (3k), b - A x as 1 copy and 1 axpy (5), 1 norm (1).
// Altogether 2k^2 + 8k + 8 n values. The least-squares work is O(k^2)
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
        : H_(m + 1, m, IndexType::ZeroBased), g_(m + 1), y_(m), rotations_(static_cast<std::size_t>(m) + 1) {}

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

    // y (k entries) solving the leading k x k triangle against g; valid
    // until the next call.
    const T* solve(int k) {
        const HostDenseMatrixRef<T> triangle(k, k, H_.data(), H_.lda(), IndexType::ZeroBased);
        const HostVectorRef<T> rhs(k, g_.val());
        HostVectorRef<T> y(k, y_.val());
        triangle.trsv_(SideType::Upper, TransOp::NoTrans, DiagType::NonUnit, rhs, y);
        return y_.val();
    }

  private:
    HostDenseMatrixAlloc<T> H_;
    HostVectorAlloc<T> g_;
    HostVectorAlloc<T> y_;
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
    Vector<T>& z = makeVector(n);
    Vector<T>& w = M.isIdentity() ? z : makeVector(n);  // w = M^-1 z is z itself when M = I
    Vector<T>& t = makeVector(n);
    kyraSparseResult& res = *result();
    const double absoluteTolerance = config()->absoluteTolerance;

    iteration0(A, x, b, r);  // r = b - A x, not preconditioned in the first cycle
    for (;;) {
        // |r| is never 0 here: a zero residual has already ended the run.
        const R rho = static_cast<R>(res.absoluteResidual);
        V[0]->scaledCopy_(T(R(1) / rho), r);  // V[0] = r / rho
        lsq.start(T(rho));

        int k = 0;
        for (int j = 0; j < m; ++j) {
            A.mvm_(TransOp::NoTrans, T(1), *V[j], T(0), z);  // w = M^-1 A V[j]
            M.apply(TransOp::NoTrans, z, w);
            // Modified Gram-Schmidt, H(i, j) = <V[i], w> for the w left by
            // the projections before it: each pass subtracts one projection
            // and forms the next one's dot product, the last one |w|.
            T hij = w.dot_(*V[0]);  // H(0, j) = <V[0], w>
            R wSquares(0);
            for (int i = 0; i <= j; ++i) {
                lsq.h(i, j) = hij;
                if (i < j) {
                    // w = w - H(i, j) V[i], then H(i+1, j) = <V[i+1], w>
                    hij = w.axpyDot_(-hij, *V[i], *V[i + 1]);
                } else {
                    wSquares = w.axpySquares_(-hij, *V[i]);  // w = w - H(j, j) V[j], |w|^2
                }
            }
            const R wNorm = w.normFrom_(wSquares);
            lsq.h(j + 1, j) = T(wNorm);
            V[j + 1]->scaledCopy_(T(R(1) / wNorm), w);  // V[j+1] = w / |w|
            const R estimate = lsq.reduceColumn(j);
            k = j + 1;
            if (absoluteTolerance >= static_cast<double>(estimate)) break;
        }

        if (k > 0) {
            const T* y = lsq.solve(k);
            for (int i = 0; i < k; ++i) x.axpy_(y[i], *V[i]);  // x = x + V y
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
