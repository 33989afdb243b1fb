// Host vectors against plain loops for the four scalar types, and the
// "feature not implemented" defaults of the abstract vector.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostVector.h"

#include "common/RandomScalars.h"

namespace {

using namespace Iterative;

template <typename T>
void expectClose(T expected, T actual, double scale = 1.0) {
    EXPECT_LE(kyra::abs(expected - actual), tolerance<T>() * (scale + kyra::abs(expected)));
}

// A strided host vector with random contents, plus the loop-side copy.
template <typename T>
struct Strided {
    Strided(int n, int inc, std::mt19937& rng) : vector(n, inc) {
        for (int i = 0; i < n * inc; ++i) vector.val()[i] = randomScalar<T>(rng);
    }
    T at(int i) const { return vector.val()[i * vector.inc()]; }
    HostVectorAlloc<T> vector;
};

template <typename T>
class HostVectorTest : public ::testing::Test {
  protected:
    std::mt19937 rng{21};
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(HostVectorTest, ScalarTypes);

TYPED_TEST(HostVectorTest, AllocIsZeroHostVectorOfGivenShape) {
    using T = TypeParam;
    HostVectorAlloc<T> v(5, 2);
    EXPECT_EQ(5, v.n());
    EXPECT_EQ(2, v.inc());
    EXPECT_EQ(PlatformType::Host, v.platform());
    EXPECT_EQ("host vector", v.name());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(T(0), v.val()[i]);
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

TYPED_TEST(HostVectorTest, ArithmeticMatchesLoopsWithStrides) {
    using T = TypeParam;
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
            expectClose(expectedDot, x.vector.dot_(y.vector), n);
            expectClose(static_cast<kyra::Real<T>>(std::sqrt(sumOfSquares)), x.vector.nrm2_());

            std::vector<T> expected(n);
            for (int i = 0; i < n; ++i) expected[i] = x.at(i) + alpha * y.at(i);
            x.vector.axpy_(alpha, y.vector);
            for (int i = 0; i < n; ++i) expectClose(expected[i], x.at(i));

            for (int i = 0; i < n; ++i) expected[i] = alpha * x.at(i);
            x.vector.scal_(alpha);
            for (int i = 0; i < n; ++i) expectClose(expected[i], x.at(i));

            for (int i = 0; i < n; ++i) expected[i] = alpha * x.at(i) + y.at(i);
            x.vector.xpay_(alpha, y.vector);
            for (int i = 0; i < n; ++i) expectClose(expected[i], x.at(i));

            x.vector.copy_(y.vector);
            for (int i = 0; i < n; ++i) EXPECT_EQ(y.at(i), x.at(i));
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

TYPED_TEST(HostVectorTest, XpayWithZeroAlphaCopiesTheOperand) {
    using T = TypeParam;
    Strided<T> x(11, 1, this->rng);
    Strided<T> y(11, 1, this->rng);
    x.vector.xpay_(T(0), y.vector);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(y.at(i), x.at(i));
}

TYPED_TEST(HostVectorTest, FillWritesConsecutiveElementsIgnoringTheStride) {
    using T = TypeParam;
    HostVectorAlloc<T> v(3, 2);
    v.fill_(T(4));
    const std::vector<T> storage(v.val(), v.val() + 6);
    EXPECT_EQ((std::vector<T>{T(4), T(4), T(4), T(0), T(0), T(0)}), storage);
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
    for (int i = 0; i < 7; ++i) EXPECT_EQ(T(0), clone->val()[i]);
    EXPECT_EQ(T(1), ones(6));
}

TYPED_TEST(HostVectorTest, EmptyVectorHasNoStorageAndOperationsDoNothing) {
    using T = TypeParam;
    HostVectorAlloc<T> x(0);
    HostVectorAlloc<T> y(0);
    EXPECT_EQ(nullptr, x.val());
    x.fill_(T(1));
    x.scal_(T(2));
    x.axpy_(T(1), y);
    x.copy_(y);
    x.xpay_(T(3), y);
    EXPECT_EQ(T(0), x.dot_(y));
    EXPECT_EQ(kyra::Real<T>(0), x.nrm2_());
    EXPECT_EQ(0, x.clone_()->n());
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

TEST(HostVectorComplexTest, DotConjugatesTheOperandNotTheReceiver) {
    using C = kyra::Complex<double>;
    HostVectorAlloc<C> x(1);
    HostVectorAlloc<C> y(1);
    x(0) = C(0, 1);
    y(0) = C(1);
    EXPECT_EQ(C(0, 1), x.dot_(y));
    EXPECT_EQ(C(0, -1), y.dot_(x));
    EXPECT_EQ(1.0, x.nrm2_());
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

template <typename T>
class VectorBaseTest : public ::testing::Test {};
TYPED_TEST_SUITE(VectorBaseTest, ScalarTypes);

// Runs operation and returns "<status>: <text>" of the exception it raised.
template <typename Operation>
std::string failureOf(Operation operation) {
    try {
        operation();
    } catch (const KyraSparseException& e) {
        return std::to_string(e.code()) + ": " + e.what();
    }
    return "no exception";
}

TYPED_TEST(VectorBaseTest, EveryOperationIsNotImplementedWithItsName) {
    using T = TypeParam;
    BareVector<T> x;
    const BareVector<T> y;
    EXPECT_EQ("6: vector fill", failureOf([&] { x.fill_(T(0)); }));
    EXPECT_EQ("6: ", failureOf([&] { x.clone_(); }));
    EXPECT_EQ("6: vector axpy", failureOf([&] { x.axpy_(T(1), y); }));
    EXPECT_EQ("6: vector copy", failureOf([&] { x.copy_(y); }));
    EXPECT_EQ("6: vector dot", failureOf([&] { x.dot_(y); }));
    EXPECT_EQ("6: vector nrm2", failureOf([&] { x.nrm2_(); }));
    EXPECT_EQ("6: vector scale", failureOf([&] { x.scal_(T(2)); }));
    // xpay_ is scal_ then axpy_, so the first missing piece reports.
    EXPECT_EQ("6: vector scale", failureOf([&] { x.xpay_(T(2), y); }));
}

// xpay_ in the base class composes the two operations a family provides.
template <typename T>
class ScaleAndAxpyOnly : public BareVector<T> {
  public:
    void scal_(T alpha) override { *this->val() = alpha * *this->val(); }
    void axpy_(T alpha, const Vector<T>& x) override { *this->val() += alpha * *x.val(); }
};

TYPED_TEST(VectorBaseTest, XpayIsScaleThenAxpy) {
    using T = TypeParam;
    ScaleAndAxpyOnly<T> x;
    BareVector<T> y;
    *y.val() = T(5);
    x.xpay_(T(3), y);
    EXPECT_EQ(T(8), *x.val());
}

}  // namespace
