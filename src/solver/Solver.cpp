#include "solver/Solver.h"

#include "core/Context.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {
// Initial residuals at or below 2^-52 count as zero: the relative residual
// is then 0 instead of a division by (almost) nothing.
constexpr float kTinyInitialResidual = 2.220446049250313e-16f;
}  // namespace

void Solver::beginRun(const Context& context, kyraSparseConfig& config, kyraSparseResult& result) {
    context_ = &context;
    config_ = &config;
    result_ = &result;
    stagnationCount_ = 0;
    bestIteration_ = 0;
    bestResidual_ = std::numeric_limits<double>::max();
    bestIterates_ = {};
    timer_.restart();
}

void Solver::setRelativeResidual() {
    result_->relativeResidual = result_->initialResidual <= kTinyInitialResidual
                                    ? 0.0
                                    : result_->absoluteResidual / result_->initialResidual;
}

void Solver::updateResidualVector() {
    if (config_->residualVector) config_->residualVector[result_->iterations] = result_->relativeResidual;
}

template <typename T>
void Solver::iteration0(const Matrix<T>& A, Vector<T>& x, const Vector<T>& b, Vector<T>& r) {
    r.copy_(b);
    if (config_->useInitialGuess == 0) {
        x.fill_(T(0));
    } else {
        const std::shared_ptr<Vector<T>> t = x.clone_();
        A.mvm_(TransOp::NoTrans, T(1), x, T(0), *t);
        r.axpy_(T(-1), *t);
    }
    checkConvergence(x, r);
}

template <typename T>
void Solver::checkConvergence(Vector<T>& x, const Vector<T>& r) {
    recordResidual(x, static_cast<double>(r.nrm2_()));
    checkExitCondition(x);
}

template <typename T>
void Solver::recordResidual(Vector<T>& x, double absoluteResidual) {
    result_->absoluteResidual = absoluteResidual;
    if (result_->iterations == 0) result_->initialResidual = absoluteResidual;
    setRelativeResidual();
    if (config_->residualVector) updateResidualVector();
    if (config_->useBestIterate) storeBest(x);
}

template <typename T>
void Solver::checkExitCondition(Vector<T>& x) {
    const kyraSparseConfig& c = *config_;
    const kyraSparseResult& r = *result_;
    if (c.relativeTolerance >= r.relativeResidual) finish(x, kyraSparseRelativeToleranceReached);
    if (c.absoluteTolerance >= r.absoluteResidual) finish(x, kyraSparseAbsoluteToleranceReached);
    if (r.relativeResidual >= c.divergenceTolerance) finish(x, kyraSparseDivergenceToleranceReached);
    if (r.iterations >= c.maxIterations) finish(x, kyraSparseMaxIterationsReached);
    if (stagnationCount_ > 4) finish(x, kyraSparseStagnation);
    if (c.maxRuntime != 0.0 && timer_.elapsed() >= c.maxRuntime) finish(x, kyraSparseMaxRuntimeReached);
    if (context_->checkInterupt()) finish(x, kyraSparseUserInterrupt);
}

template <typename T>
void Solver::finish(Vector<T>& x, kyraSparseFlag flag) {
    const std::shared_ptr<Vector<T>>& best = bestIterates_.get<T>();
    // Without a stored best iterate (every residual so far was NaN or
    // infinite), x stays the last iterate and the record describes it.
    if (config_->useBestIterate && best && best->n() == x.n()) {
        result_->absoluteResidual = bestResidual_;
        result_->iterations = bestIteration_;
        setRelativeResidual();
        x.copy_(*best);
    }
    throw flag;
}

template <typename T>
void Solver::storeBest(const Vector<T>& x) {
    if (!(result_->absoluteResidual < bestResidual_)) return;
    std::shared_ptr<Vector<T>>& best = bestIterates_.get<T>();
    if (!best || best->n() != x.n()) best = x.clone_();
    bestResidual_ = result_->absoluteResidual;
    bestIteration_ = result_->iterations;
    best->copy_(x);
}

template <typename T>
void Solver::updateStagnation(const Vector<T>& x, T alpha, const Vector<T>& d) {
    if (!config_->useStagnationCheck) return;
    updateStagnation(static_cast<double>(x.nrm2_()), alpha, static_cast<double>(d.nrm2_()));
}

template <typename T>
void Solver::updateStagnation(double xNorm, T alpha, double dNorm) {
    if (!config_->useStagnationCheck) return;
    const double stepNorm = static_cast<double>(kyra::abs(alpha)) * dNorm;
    if (xNorm * stagnationEpsilon<T>() > stepNorm) {
        ++stagnationCount_;
    } else {
        stagnationCount_ = 0;
    }
}

#define KYRA_INSTANTIATE(T)                                                                          \
    template void Solver::iteration0<T>(const Matrix<T>&, Vector<T>&, const Vector<T>&, Vector<T>&); \
    template void Solver::checkConvergence<T>(Vector<T>&, const Vector<T>&);                         \
    template void Solver::recordResidual<T>(Vector<T>&, double);                                     \
    template void Solver::checkExitCondition<T>(Vector<T>&);                                         \
    template void Solver::finish<T>(Vector<T>&, kyraSparseFlag);                                     \
    template void Solver::storeBest<T>(const Vector<T>&);                                            \
    template void Solver::updateStagnation<T>(const Vector<T>&, T, const Vector<T>&);                \
    template void Solver::updateStagnation<T>(double, T, double);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE)
#undef KYRA_INSTANTIATE

}  // namespace Iterative
