// The work-vector factory on the host platform: fresh zero vectors of the
// asked length that live as long as the factory.

#include <gtest/gtest.h>

#include <memory>

#include "core/Context.h"
#include "matrix/HostVector.h"
#include "matrix/VectorFactory.h"
#include "platform/HostPlatform.h"

namespace {

using namespace Iterative;

template <typename T>
class VectorFactoryTest : public ::testing::Test {
  protected:
    Context context;
    HostPlatform platform{context, nullptr};
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(VectorFactoryTest, ScalarTypes);

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
