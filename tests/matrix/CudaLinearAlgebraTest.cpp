// Device vectors and CUDA CSR matrices against their host counterparts (which
// are checked against dense references elsewhere): every operation on odd
// sizes, the four scalar types, both index bases and the three operations,
// on matrices with and without entries.
// Without a CUDA device every test reports itself skipped.

#include <gtest/gtest.h>

#if defined(KYRA_WITH_CUDA)

#include <random>
#include <set>
#include <vector>

#include "common/DenseChecks.h"
#include "common/TestMatrices.h"
#include "core/Context.h"
#include "cudalib/CudaTestDevice.h"
#include "matrix/CudaCsrMatrix.h"
#include "matrix/CudaVector.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

const int kSizes[] = {1, 31, 1000, 4097};
const TransOp kOps[] = {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans};

// The elements of a host or device vector.
template <typename T>
std::vector<T> elements(const Vector<T>& v) {
    if (v.platform() == PlatformType::Cuda) return download(v.val(), v.n());
    return std::vector<T>(v.val(), v.val() + v.n());
}

// A host vector and its device copy with the same random contents.
template <typename T>
struct Pair {
    Pair(const Context& ctx, int n, std::mt19937& rng) : host(n), device(ctx, n) {
        for (int i = 0; i < n; ++i) host(i) = randomScalar<T>(rng);
        copy(host, device);
    }
    HostVectorAlloc<T> host;
    CudaVectorAlloc<T> device;
};

// Diagonally dominant rows (so both triangles solve stably) with a few
// scattered entries, one long last row and, for products, an empty row and
// rows in no particular column order. Solves get rows sorted by column, the
// form the conversions produce.
template <typename T>
std::vector<Entry<T>> testEntries(int n, std::mt19937& rng, bool forProducts) {
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        if (forProducts && n > 1 && i == n / 2) continue;
        std::set<int> columns;
        for (int k = 0; k < 3; ++k) columns.insert(column(rng));
        if (i == n - 1) {
            for (int j = 0; j < n && j < 200; j += 3) columns.insert(j);
        }
        columns.erase(i);
        for (int j : columns) entries.push_back({i, j, randomScalar<T>(rng) * T(0.3)});
        entries.push_back({i, i, T(4) + randomScalar<T>(rng)});
    }
    return forProducts ? entries : sortedByRowAndColumn(entries);
}

enum class Check { Product, ClearingProduct, Solve };

template <typename T>
class CudaLinearAlgebra : public ::testing::Test {
  protected:
    void SetUp() override { KYRA_REQUIRE_CUDA_DEVICE(); }

    // Compares the device and host results of y <- alpha op(A) x + beta y
    // (beta zero for a clearing product) or, on triangular views, of the
    // solution of op(A) y = x.
    void expectAgree(const HostCsrMatrix<T>& host, const CudaCsrMatrix<T>& device, TransOp op,
                     Check check = Check::Product) {
        Pair<T> x(ctx, host.n(), rng), y(ctx, host.n(), rng);
        if (check == Check::Solve) {  // a view's own triangle and diagonal win over the arguments
            host.trsv_(SideType::Lower, op, DiagType::NonUnit, x.host, y.host);
            device.trsv_(SideType::Upper, op, DiagType::Unit, x.device, y.device);
        } else {
            const T alpha = randomScalar<T>(rng);
            const T beta = check == Check::ClearingProduct ? T(0) : randomScalar<T>(rng);
            host.mvm_(op, alpha, x.host, beta, y.host);
            device.mvm_(op, alpha, x.device, beta, y.device);
        }
        expectAllClose(elements(y.host), elements(y.device), tolerance<T>(), 10.0);
    }

    Context ctx;
    std::mt19937 rng{11};
};
TYPED_TEST_SUITE(CudaLinearAlgebra, AllScalarTypes);

TYPED_TEST(CudaLinearAlgebra, VectorOperationsMatchTheHost) {
    using T = TypeParam;
    for (int n : {0, 1, 31, 1000, 4097}) {
        SCOPED_TRACE(n);
        Pair<T> x(this->ctx, n, this->rng), y(this->ctx, n, this->rng);
        const double tol = tolerance<T>() * (n + 1);
        EXPECT_LE(kyra::abs(x.device.dot_(y.device) - x.host.dot_(y.host)), tol);
        EXPECT_LE(kyra::abs(y.device.dot_(x.device) - y.host.dot_(x.host)), tol);
        EXPECT_NEAR(x.device.nrm2_(), x.host.nrm2_(), tol);

        const T alpha = randomScalar<T>(this->rng);
        const auto update = [alpha](Vector<T>& u, Vector<T>& v) {
            u.axpy_(alpha, v);
            v.xpay_(alpha, u);
            u.scal_(alpha);
        };
        update(x.host, y.host);
        update(x.device, y.device);
        expectAllClose(elements(x.host), elements(x.device));
        expectAllClose(elements(y.host), elements(y.device));
        y.device.copy_(x.device);
        EXPECT_EQ(elements(y.device), elements(x.device));
        y.device.fill_(alpha);
        EXPECT_EQ(elements(y.device), std::vector<T>(n, alpha));
    }
}

// Matrices with and without entries; those without only scale or clear y.
TYPED_TEST(CudaLinearAlgebra, ProductsTransposesAndCopiesMatchTheHostForEveryOperationAndBase) {
    using T = TypeParam;
    for (int n : kSizes) {
        for (int base : {0, 1}) {
            for (bool empty : {false, true}) {
                SCOPED_TRACE(testing::Message() << "n " << n << " base " << base << " empty " << empty);
                const Csr<T> A(n, empty ? std::vector<Entry<T>>{} : testEntries<T>(n, this->rng, true), base);
                CudaCsrMatrixAlloc<T> device(this->ctx, A.matrix());
                // Every operation twice: the second product reuses the first's preparation.
                for (auto check : {Check::Product, Check::ClearingProduct}) {
                    for (TransOp op : kOps) this->expectAgree(A.matrix(), device, op, check);
                }
                for (bool conjugate : {false, true}) {
                    const auto deviceT = device.transpose_(conjugate);
                    const auto hostT = A.matrix().transpose_(conjugate);
                    const auto& d = dynamic_cast<const CudaCsrMatrix<T>&>(*deviceT);
                    const auto& h = dynamic_cast<const HostCsrMatrix<T>&>(*hostT);
                    EXPECT_EQ(d.index(), IndexType(base));
                    const auto mirror = d.host();
                    EXPECT_EQ(std::vector<int>(mirror->rowPtr(), mirror->rowPtr() + n + 1),
                              std::vector<int>(h.rowPtr(), h.rowPtr() + n + 1));
                    this->expectAgree(h, d, TransOp::NoTrans);
                }
                if (empty) continue;
                CudaCsrMatrixAlloc<T> twin(this->ctx, n, n, A.nnz(), IndexType(base));
                copy(device, twin);
                this->expectAgree(A.matrix(), twin, TransOp::Trans);
                // The sliced-ELL copy serves no-transpose products only.
                device.hybrid();
                ASSERT_TRUE(device.hasHybrid());
                for (TransOp op : kOps) this->expectAgree(A.matrix(), device, op);
            }
        }
    }
}

TYPED_TEST(CudaLinearAlgebra, TriangularSolvesMatchTheHostAndFollowNewValues) {
    using T = TypeParam;
    for (int n : kSizes) {
        for (int base : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "n " << n << " base " << base);
            std::vector<Entry<T>> entries = testEntries<T>(n, this->rng, false);
            const Csr<T> A(n, entries, base);
            for (Entry<T>& e : entries) e.value *= T(2);
            const Csr<T> twiceA(n, entries, base);
            CudaCsrMatrixAlloc<T> device(this->ctx, A.matrix());
            struct View {
                SideType side;
                DiagType diag;
            };
            for (View v : {View{SideType::Lower, DiagType::Unit}, View{SideType::Upper, DiagType::NonUnit}}) {
                const auto deviceView = device.makeMatrixView_(v.side, v.diag);
                const auto& d = dynamic_cast<const CudaCsrMatrix<T>&>(*deviceView);
                // New values written through the matrix reach the cached analyses.
                for (const Csr<T>* host : {&A, &twiceA}) {
                    cudalib::MemcpyHostToDevice(device.val(), host->val().data(), host->val().size());
                    const auto hostView = host->matrix().makeMatrixView_(v.side, v.diag);
                    const auto& h = dynamic_cast<const HostCsrMatrix<T>&>(*hostView);
                    for (TransOp op : kOps) this->expectAgree(h, d, op, Check::Solve);
                }
            }
        }
    }
}

}  // namespace

#endif
