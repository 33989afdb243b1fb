#include "solver/Bicgstabl.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"
#include "solver/Bicgstab.h"

namespace {

using namespace solvertest;
using Iterative::Bicgstabl;

// BiCGSTAB(1) is BiCGSTAB written differently; rounding may shift the
// iteration count of a well-conditioned solve by one at most. (For complex
// types the minimal-residual coefficient of a cycle is the conjugate of
// BiCGSTAB's omega, so only real types repeat BiCGSTAB.)
template <typename T>
class BicgstablReal : public ::testing::Test {};
TYPED_TEST_SUITE(BicgstablReal, RealTypes);

TYPED_TEST(BicgstablReal, OneStepCyclesMatchBicgstab) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(12);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    const kyraSparseBicgstablOptions one{1};
    Bicgstabl cycles(&one);
    Iterative::Bicgstab reference(nullptr);
    const kyraSparseConfig config = configWith(solveTolerance<T>(), 500);
    const Outcome<T> viaCycles = runner.run(cycles, A, b, config);
    const Outcome<T> viaReference = runner.run(reference, A, b, config);
    ASSERT_EQ(viaCycles.flag, kyraSparseRelativeToleranceReached);
    ASSERT_EQ(viaReference.flag, kyraSparseRelativeToleranceReached);
    EXPECT_NEAR(viaCycles.result.iterations, viaReference.result.iterations, 1);
    for (int k = 1; k < std::min(viaCycles.result.iterations, 5); ++k)
        EXPECT_NEAR(viaCycles.history[k], viaReference.history[k], 1e-3 * viaReference.history[k]) << k;
}

// The complex cycle's coefficient <R[0], R[1]> / <R[1], R[1]> conjugates
// R[0]. Made real-valued, a complex system must behave exactly like the
// real one: same iteration count, same residuals.
TEST(Bicgstabl, ComplexCycleOnRealDataRepeatsTheRealOne) {
    using C = kyra::Complex<double>;
    const auto real = convectionDiffusion<double>(8, 20.0);
    std::vector<Entry<C>> entries;
    for (const Entry<double>& e : real.entries()) entries.push_back({e.row, e.col, C(e.value)});
    const Csr<C> complex(real.n(), entries);
    const std::vector<double> b = rightHandSide(real, smoothSolution<double>(real.n()));
    const std::vector<C> bComplex(b.begin(), b.end());
    Runner runner;
    Bicgstabl solver(nullptr);
    const Outcome<double> viaReal = runner.run(solver, real, b, configWith(1e-10, 200));
    const Outcome<C> viaComplex = runner.run(solver, complex, bComplex, configWith(1e-10, 200));
    ASSERT_EQ(viaReal.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(viaComplex.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(viaComplex.result.iterations, viaReal.result.iterations);
    for (int k = 0; k <= viaReal.result.iterations; ++k)
        EXPECT_NEAR(viaComplex.history[k], viaReal.history[k], 1e-12) << k;
}

}  // namespace
