// Host vectors against plain loops for the four scalar types, and the
// abstract vector's xpay_ composed of its own operations.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

template <typename T>
class HostVectorTest : public ::testing::Test {
  protected:
    std::mt19937 rng{21};
};
TYPED_TEST_SUITE(HostVectorTest, AllScalarTypes);

// The elements of a strided vector.
template <typename T>
std::vector<T> elementsOf(const Vector<T>& v) {
    std::vector<T> out;
    for (int i = 0; i < v.n(); ++i) out.push_back(v.val()[i * v.inc()]);
    return out;
}

// Against loops on strided vectors; the dot product conjugates the operand.
TYPED_TEST(HostVectorTest, ArithmeticMatchesLoopsWithStrides) {
    using T = TypeParam;
    const double tol = 0.1 * tolerance<T>();
    const int n = 9;
    for (const auto& [incX, incY] : {std::pair{1, 1}, {3, 2}}) {
        SCOPED_TRACE(std::to_string(incX) + " " + std::to_string(incY));
        HostVectorAlloc<T> x(n, incX), y(n, incY);
        for (int i = 0; i < n * incX; ++i) x.val()[i] = randomScalar<T>(this->rng);
        for (int i = 0; i < n * incY; ++i) y.val()[i] = randomScalar<T>(this->rng);
        const std::vector<T> xs = elementsOf(x), ys = elementsOf(y);
        const T alpha = randomScalar<T>(this->rng);
        T dot = T(0);
        double squares = 0;
        std::vector<T> axpy(n), xpay(n), scaled(n);
        for (int i = 0; i < n; ++i) {
            dot += kyra::conj(ys[i]) * xs[i];
            squares += static_cast<double>(kyra::abs(xs[i])) * kyra::abs(xs[i]);
            axpy[i] = xs[i] + alpha * ys[i];
            xpay[i] = alpha * axpy[i] + ys[i];
            scaled[i] = alpha * xpay[i];
        }
        EXPECT_LE(kyra::abs(dot - x.dot_(y)), tol * n);
        EXPECT_NEAR(std::sqrt(squares), x.nrm2_(), tol * n);
        x.axpy_(alpha, y);
        expectAllClose(axpy, elementsOf(x), tol);
        x.xpay_(alpha, y);
        expectAllClose(xpay, elementsOf(x), tol);
        x.scal_(alpha);
        expectAllClose(scaled, elementsOf(x), tol);
        // copy_ writes the strided elements only.
        const std::vector<T> before(x.val(), x.val() + n * incX);
        x.copy_(y);
        for (int i = 0; i < n * incX; ++i) EXPECT_EQ(i % incX ? before[i] : ys[i / incX], x.val()[i]) << i;
    }
}

// A vector with only the two operations the base class composes xpay_ from.
class ScaleAndAxpyOnly : public Vector<kyra::Complex<double>> {
    using T = kyra::Complex<double>;

  public:
    int n() const override { return 1; }
    int inc() const override { return 1; }
    PlatformType platform() const override { return PlatformType::Host; }
    T* val() override { return &value_; }
    const T* val() const override { return &value_; }
    std::string name() const override { return "scale and axpy"; }
    void scal_(T alpha) override { value_ *= alpha; }
    void axpy_(T alpha, const Vector<T>& x) override { value_ += alpha * *x.val(); }

  private:
    T value_ = T(1);
};

TEST(VectorBaseTest, XpayIsScaleThenAxpy) {
    ScaleAndAxpyOnly y, z;
    *y.val() = {5, 1};
    z.xpay_({3, 2}, y);
    EXPECT_EQ(kyra::Complex<double>(8, 3), *z.val());
}

}  // namespace
