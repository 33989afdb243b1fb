#include "solver/Bicg.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"
#include "solver/Cg.h"

namespace {

using namespace solvertest;
using Iterative::Bicg;

template <typename T>
class BicgTyped : public ::testing::Test {};
TYPED_TEST_SUITE(BicgTyped, ScalarTypes);

template <typename T>
double eps() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-7 : 1e-16;
}

template <typename T>
double distance(const std::vector<T>& u, const std::vector<T>& v) {
    std::vector<T> difference(u.size());
    for (std::size_t i = 0; i < u.size(); ++i) difference[i] = u[i] - v[i];
    return norm(difference);
}

// Without preconditioner on a Hermitian positive definite matrix the shadow
// vectors equal the primary ones, so BiCG repeats CG step by step.
TYPED_TEST(BicgTyped, RepeatsConjugateGradientIterates) {
    using T = TypeParam;
    const auto A = laplacian<T>(8);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    for (int iterations : {1, 2, 5, 12}) {
        SCOPED_TRACE(::testing::Message() << iterations << " iterations");
        const kyraSparseConfig config = configWith(1e-30, iterations);
        Bicg bicg(nullptr);
        Iterative::Cg cg(nullptr);
        const Outcome<T> viaBicg = runner.run(bicg, A, b, config);
        const Outcome<T> viaCg = runner.run(cg, A, b, config);
        ASSERT_EQ(viaBicg.flag, kyraSparseMaxIterationsReached);
        ASSERT_EQ(viaCg.flag, kyraSparseMaxIterationsReached);
        EXPECT_LE(distance(viaBicg.x, viaCg.x), 1e3 * eps<T>() * norm(viaCg.x));
        for (int k = 0; k <= iterations; ++k)
            EXPECT_NEAR(viaBicg.history[k], viaCg.history[k], 1e3 * eps<T>() * viaCg.history[0])
                << "entry " << k;
    }
}

// Products with the formed A^H give the iterates of products with A^H.
TYPED_TEST(BicgTyped, ExplicitTransposeGivesTheSameIterates) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(6);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    const kyraSparseBicgOptions implicitOpts{0}, explicitOpts{1};
    Bicg implicitSolver(&implicitOpts), explicitSolver(&explicitOpts);
    const Outcome<T> viaProduct = runner.run(implicitSolver, A, b, configWith(1e-30, 8), &jacobi);
    const Outcome<T> viaFormed = runner.run(explicitSolver, A, b, configWith(1e-30, 8), &jacobi);
    EXPECT_LE(distance(viaProduct.x, viaFormed.x), 1e3 * eps<T>() * norm(viaFormed.x));
    EXPECT_EQ(viaProduct.result.iterations, 8);
    EXPECT_EQ(viaFormed.result.iterations, 8);
}

}  // namespace
