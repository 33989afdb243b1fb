// Host vectors against plain loops for the four scalar types, the
// "feature not implemented" defaults of the abstract vector, and the
// work-vector factory of the host platform.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "core/Context.h"
#include "matrix/HostVector.h"
#include "matrix/VectorFactory.h"
#include "platform/HostPlatform.h"

namespace {

using namespace Iterative;

// A strided host vector with random contents, plus the loop-side copy.
template <typename T>
struct Strided {
    Strided(int n, int inc, std::mt19937& rng) : vector(n, inc) {
        for (int i = 0; i < n * inc; ++i) vector.val()[i] = randomScalar<T>(rng);
    }
    T at(int i) const { return vector.val()[i * vector.inc()]; }
    std::vector<T> elements() const {
        std::vector<T> out;
        for (int i = 0; i < vector.n(); ++i) out.push_back(at(i));
        return out;
    }
    HostVectorAlloc<T> vector;
};

template <typename T>
class HostVectorTest : public ::testing::Test {
  protected:
    std::mt19937 rng{21};
};

TYPED_TEST_SUITE(HostVectorTest, AllScalarTypes);

TYPED_TEST(HostVectorTest, AllocIsZeroHostVectorOfGivenShapeAndFillIgnoresTheStride) {
    using T = TypeParam;
    HostVectorAlloc<T> v(3, 2);
    EXPECT_EQ(3, v.n());
    EXPECT_EQ(2, v.inc());
    EXPECT_EQ(PlatformType::Host, v.platform());
    EXPECT_EQ("host vector", v.name());
    EXPECT_EQ(std::vector<T>(6, T(0)), std::vector<T>(v.val(), v.val() + 6));
    v.fill_(T(4));
    EXPECT_EQ((std::vector<T>{T(4), T(4), T(4), T(0), T(0), T(0)}), std::vector<T>(v.val(), v.val() + 6));
}

TYPED_TEST(HostVectorTest, RefBorrowsTheCallersMemory) {
    using T = TypeParam;
    std::vector<T> memory = {T(1), T(2), T(3)};
    {
        HostVectorRef<T> v(3, memory.data(), 1);
        EXPECT_EQ(memory.data(), v.val());
        v.scal_(T(2));
        v(1) = T(-1);
    }
    EXPECT_EQ((std::vector<T>{T(2), T(-1), T(6)}), memory);

    const std::vector<T>& readOnly = memory;
    const HostVectorRef<T> view(3, readOnly.data(), 1);
    EXPECT_EQ(memory.data(), view.val());
    EXPECT_EQ(T(6), view(2));
}

// Against loops, to a tenth of the shared tolerance; the dot product
// conjugates the operand, not the receiver.
TYPED_TEST(HostVectorTest, ArithmeticMatchesLoopsWithStrides) {
    using T = TypeParam;
    const double tol = 0.1 * tolerance<T>();
    const int n = 37;
    for (int incX : {1, 3}) {
        for (int incY : {1, 2}) {
            SCOPED_TRACE("incX " + std::to_string(incX) + " incY " + std::to_string(incY));
            Strided<T> x(n, incX, this->rng);
            Strided<T> y(n, incY, this->rng);
            const T alpha = randomScalar<T>(this->rng);

            T expectedDot = T(0);
            double sumOfSquares = 0;
            for (int i = 0; i < n; ++i) {
                expectedDot += kyra::conj(y.at(i)) * x.at(i);
                sumOfSquares += static_cast<double>(kyra::abs(x.at(i))) * kyra::abs(x.at(i));
            }
            EXPECT_LE(kyra::abs(expectedDot - x.vector.dot_(y.vector)), tol * n);
            expectAllClose({static_cast<kyra::Real<T>>(std::sqrt(sumOfSquares))},
                           std::vector<kyra::Real<T>>{x.vector.nrm2_()}, tol);

            std::vector<T> expected(n);
            for (int i = 0; i < n; ++i) expected[i] = x.at(i) + alpha * y.at(i);
            x.vector.axpy_(alpha, y.vector);
            expectAllClose(expected, x.elements(), tol);

            for (int i = 0; i < n; ++i) expected[i] = alpha * x.at(i);
            x.vector.scal_(alpha);
            expectAllClose(expected, x.elements(), tol);

            for (int i = 0; i < n; ++i) expected[i] = alpha * x.at(i) + y.at(i);
            x.vector.xpay_(alpha, y.vector);
            expectAllClose(expected, x.elements(), tol);

            // A zero alpha leaves x as it is in axpy_ and makes it y in xpay_.
            const std::vector<T> before = x.elements();
            x.vector.axpy_(T(0), y.vector);
            EXPECT_EQ(before, x.elements());
            x.vector.xpay_(T(0), y.vector);
            EXPECT_EQ(y.elements(), x.elements());

            // copy_ writes the strided elements only.
            x.vector.scal_(alpha);
            const std::vector<T> storage(x.vector.val(), x.vector.val() + n * incX);
            x.vector.copy_(y.vector);
            for (int i = 0; i < n * incX; ++i)
                EXPECT_EQ(i % incX == 0 ? y.at(i / incX) : storage[i], x.vector.val()[i]) << i;
        }
    }
}

TYPED_TEST(HostVectorTest, ReceiverLengthDecidesHowManyElementsChange) {
    using T = TypeParam;
    std::vector<T> receiver(5, T(1));
    const std::vector<T> operand(5, T(2));
    HostVectorRef<T> x(3, receiver.data(), 1);
    const HostVectorRef<T> y(5, operand.data(), 1);
    x.axpy_(T(1), y);
    EXPECT_EQ((std::vector<T>{T(3), T(3), T(3), T(1), T(1)}), receiver);
    EXPECT_EQ(T(18), x.dot_(y));
    x.copy_(y);
    EXPECT_EQ((std::vector<T>{T(2), T(2), T(2), T(1), T(1)}), receiver);
}

TYPED_TEST(HostVectorTest, CloneIsANewZeroVectorOfTheSameLength) {
    using T = TypeParam;
    HostVectorAlloc<T> ones(7);
    ones.fill_(T(1));
    const std::shared_ptr<Vector<T>> clone = ones.clone_();
    ASSERT_NE(nullptr, dynamic_cast<HostVectorAlloc<T>*>(clone.get()));
    EXPECT_EQ(7, clone->n());
    EXPECT_EQ(1, clone->inc());
    EXPECT_NE(ones.val(), clone->val());
    EXPECT_EQ(std::vector<T>(7, T(0)), std::vector<T>(clone->val(), clone->val() + 7));
    EXPECT_EQ(T(1), ones(6));
}

TYPED_TEST(HostVectorTest, EmptyVectorHasNoStorageAndOperationsTouchNothing) {
    using T = TypeParam;
    HostVectorAlloc<T> empty(0);
    EXPECT_EQ(nullptr, empty.val());
    EXPECT_EQ(0, empty.clone_()->n());
    std::vector<T> memory = {T(7)};
    HostVectorRef<T> x(0, memory.data(), 1);
    x.fill_(T(1));
    x.scal_(T(2));
    x.axpy_(T(1), empty);
    x.copy_(empty);
    x.xpay_(T(3), empty);
    EXPECT_EQ(T(7), memory[0]);
    EXPECT_EQ(T(0), x.dot_(empty));
    EXPECT_EQ(kyra::Real<T>(0), x.nrm2_());
}

TYPED_TEST(HostVectorTest, UnaddressableLengthIsAnAllocationFailure) {
    using T = TypeParam;
    EXPECT_THROW(HostVectorAlloc<T>(INT_MAX, INT_MAX), std::bad_alloc);
    EXPECT_THROW(HostVectorAlloc<T>(-1), std::bad_alloc);
}

TYPED_TEST(HostVectorTest, LargeVectorsAreZeroAndStartOnDifferentCacheSets) {
    using T = TypeParam;
    // Large enough for the huge-page storage path.
    const int n = static_cast<int>(kHugePageThresholdBytes / sizeof(T)) + 3;
    HostVectorAlloc<T> a(n);
    HostVectorAlloc<T> b(n);
    EXPECT_EQ(T(0), a(0));
    EXPECT_EQ(T(0), a(n - 1));
    const auto lowBits = [](const void* p) {
        return reinterpret_cast<std::uintptr_t>(p) % (std::uintptr_t(2) << 20);
    };
    EXPECT_EQ(0u, lowBits(a.val()) % 64);
    EXPECT_NE(lowBits(a.val()), lowBits(b.val()));
    a.fill_(T(1));
    b.copy_(a);
    EXPECT_EQ(T(1), b(n - 1));
}

// Implements only what is pure, so every operation reaches the base class.
template <typename T>
class BareVector : public Vector<T> {
  public:
    int n() const override { return 1; }
    int inc() const override { return 1; }
    PlatformType platform() const override { return PlatformType::Host; }
    T* val() override { return &value_; }
    const T* val() const override { return &value_; }
    std::string name() const override { return "bare"; }

  private:
    T value_ = T(1);
};

// The two operations the base class composes xpay_ from.
template <typename T>
class ScaleAndAxpyOnly : public BareVector<T> {
  public:
    void scal_(T alpha) override { *this->val() = alpha * *this->val(); }
    void axpy_(T alpha, const Vector<T>& x) override { *this->val() += alpha * *x.val(); }
};

template <typename T>
class VectorBaseTest : public ::testing::Test {};
TYPED_TEST_SUITE(VectorBaseTest, AllScalarTypes);

TYPED_TEST(VectorBaseTest, EveryOperationIsNotImplementedWithItsNameAndXpayIsScaleThenAxpy) {
    using T = TypeParam;
    BareVector<T> x;
    BareVector<T> y;
    EXPECT_EQ("6: vector fill", failureOf([&] { x.fill_(T(0)); }));
    EXPECT_EQ("6: ", failureOf([&] { x.clone_(); }));
    EXPECT_EQ("6: vector axpy", failureOf([&] { x.axpy_(T(1), y); }));
    EXPECT_EQ("6: vector copy", failureOf([&] { x.copy_(y); }));
    EXPECT_EQ("6: vector dot", failureOf([&] { x.dot_(y); }));
    EXPECT_EQ("6: vector nrm2", failureOf([&] { x.nrm2_(); }));
    EXPECT_EQ("6: vector scale", failureOf([&] { x.scal_(T(2)); }));
    // xpay_ is scal_ then axpy_, so the first missing piece reports.
    EXPECT_EQ("6: vector scale", failureOf([&] { x.xpay_(T(2), y); }));

    ScaleAndAxpyOnly<T> z;
    *y.val() = T(5);
    z.xpay_(T(3), y);
    EXPECT_EQ(T(8), *z.val());
}

template <typename T>
class VectorFactoryTest : public ::testing::Test {
  protected:
    Context context;
    HostPlatform platform{context, nullptr};
};

TYPED_TEST_SUITE(VectorFactoryTest, AllScalarTypes);

// Fresh zero vectors of the asked length that live as long as the factory.
TYPED_TEST(VectorFactoryTest, MakesDistinctZeroHostVectorsOfTheAskedLength) {
    using T = TypeParam;
    VectorFactory<T> make(this->platform);
    Vector<T>& a = make(5);
    Vector<T>& b = make(3);
    EXPECT_EQ(2u, make.size());
    EXPECT_EQ(5, a.n());
    EXPECT_EQ(3, b.n());
    EXPECT_NE(nullptr, dynamic_cast<HostVectorAlloc<T>*>(&a));
    EXPECT_NE(a.val(), b.val());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(T(0), a.val()[i]);

    // Earlier vectors stay valid while more are made.
    a.fill_(T(2));
    for (int k = 0; k < 20; ++k) make(4);
    EXPECT_EQ(T(2), a.val()[4]);
    EXPECT_EQ(T(20), a.dot_(a));
}

}  // namespace
