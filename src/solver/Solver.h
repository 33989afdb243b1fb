#ifndef KYRA_SOLVER_SOLVER_H
#define KYRA_SOLVER_SOLVER_H

// What every Krylov method shares: the residual measurement, the ordered
// stopping tests, the stagnation count, the best iterate, the residual
// history and the run timer. A run ends only by throwing its outcome as a
// kyraSparseFlag (finish) or by an exception from a lower layer.

#include <memory>
#include <string>

#include "core/Complex.h"
#include "cudalib/HighResolutionTimer.h"
#include "kyraSparse.h"
#include "matrix/Matrix.h"
#include "matrix/Vector.h"
#include "platform/Platform.h"

namespace Iterative {

class Context;
class Preconditioner;

class Solver {
  public:
    Solver() = default;
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;
    virtual ~Solver() = default;

    virtual void parameterCheck() const = 0;
    virtual std::string name() const = 0;
    virtual void details(const Platform&, const Preconditioner&, const Matrix<float>& A,
                         const Vector<float>& b, Vector<float>& x) = 0;
    virtual void details(const Platform&, const Preconditioner&, const Matrix<double>& A,
                         const Vector<double>& b, Vector<double>& x) = 0;
    virtual void details(const Platform&, const Preconditioner&, const Matrix<kyra::Complex<float>>& A,
                         const Vector<kyra::Complex<float>>& b, Vector<kyra::Complex<float>>& x) = 0;
    virtual void details(const Platform&, const Preconditioner&, const Matrix<kyra::Complex<double>>& A,
                         const Vector<kyra::Complex<double>>& b, Vector<kyra::Complex<double>>& x) = 0;

    // Called by plan execution before each run. A repeated execution starts
    // afresh: stagnation count and best-iterate record are cleared.
    void beginRun(const Context& context, kyraSparseConfig& config, kyraSparseResult& result);

    const Context* ctx() const { return context_; }
    kyraSparseConfig* config() const { return config_; }
    kyraSparseResult* result() { return result_; }
    int stagnationCount() const { return stagnationCount_; }

  protected:
    // r <- b - A x (or r <- b with x <- 0), then the iteration-0 checks.
    template <typename T>
    void iteration0(const Matrix<T>& A, Vector<T>& x, const Vector<T>& b, Vector<T>& r);
    // Measures r after an iteration and runs the checks.
    template <typename T>
    void checkConvergence(Vector<T>& x, const Vector<T>& r);
    // Records the measured absolute residual: relative residual, history,
    // best iterate. The stopping tests follow separately.
    template <typename T>
    void recordResidual(Vector<T>& x, double absoluteResidual);
    // The ordered stopping tests; returns only when the run goes on.
    template <typename T>
    void checkExitCondition(Vector<T>& x);
    template <typename T>
    [[noreturn]] void finish(Vector<T>& x, kyraSparseFlag flag);
    template <typename T>
    void storeBest(const Vector<T>& x);

    // Counts a step as stagnant when it cannot change x any more:
    // |x| eps > |alpha| |d|, with |x| the norm before the update.
    template <typename T>
    void updateStagnation(const Vector<T>& x, T alpha, const Vector<T>& d);
    // The same test on norms a fused pass has measured already.
    template <typename T>
    void updateStagnation(double xNorm, T alpha, double dNorm);

    void setRelativeResidual();
    void updateResidualVector();

  private:
    int stagnationCount_ = 0;
    int bestIteration_ = 0;
    double bestResidual_ = std::numeric_limits<double>::max();
    cudalib::HighResolutionTimer timer_;
    const Context* context_ = nullptr;
    kyraSparseConfig* config_ = nullptr;
    kyraSparseResult* result_ = nullptr;
    TypedContainer<Vector> bestIterates_;
};

// Implements the four typed details slots of a concrete method by
// forwarding to its member template details_<T>.
#define KYRA_SOLVER_SLOT(T)                                                                                 \
    void details(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b, \
                 Vector<T>& x) override {                                                                   \
        details_<T>(platform, M, A, b, x);                                                                  \
    }

#define KYRA_SOLVER_SLOTS                  \
    KYRA_SOLVER_SLOT(float)                \
    KYRA_SOLVER_SLOT(double)               \
    KYRA_SOLVER_SLOT(kyra::Complex<float>) \
    KYRA_SOLVER_SLOT(kyra::Complex<double>)

// Instantiates a method's details_<T> for the four types in its .cpp file.
#define KYRA_INSTANTIATE_SOLVER(Method)                                                                   \
    template void Method::details_<float>(const Platform&, const Preconditioner&, const Matrix<float>&,   \
                                          const Vector<float>&, Vector<float>&);                          \
    template void Method::details_<double>(const Platform&, const Preconditioner&, const Matrix<double>&, \
                                           const Vector<double>&, Vector<double>&);                       \
    template void Method::details_<kyra::Complex<float>>(                                                 \
        const Platform&, const Preconditioner&, const Matrix<kyra::Complex<float>>&,                      \
        const Vector<kyra::Complex<float>>&, Vector<kyra::Complex<float>>&);                              \
    template void Method::details_<kyra::Complex<double>>(                                                \
        const Platform&, const Preconditioner&, const Matrix<kyra::Complex<double>>&,                     \
        const Vector<kyra::Complex<double>>&, Vector<kyra::Complex<double>>&);

// Machine epsilon of the stagnation test: 2^-52 for double precision,
// 2^-23 for single precision.
template <typename T>
constexpr double stagnationEpsilon() {
    return std::is_same<kyra::Real<T>, float>::value ? 1.1920929e-07 : 2.220446049250313e-16;
}

}  // namespace Iterative

#endif
