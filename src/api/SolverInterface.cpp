#include "api/SolverInterface.h"

#include <cstring>

#include "api/KyraSparseCommon.h"
#include "api/SafeInterface.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "core/Options.h"
#include "core/Plan.h"
#include "cudalib/HighResolutionTimer.h"
#include "matrix/DataFormat.h"
#include "platform/Platform.h"
#include "preconditioner/Preconditioner.h"
#include "solver/Solver.h"

namespace Iterative {

namespace {

// The checks of a configuration, in order. Every comparison fails for NaN.
void validate(const kyraSparseConfig& c) {
    checkArgument(c.relativeTolerance > 0.0, "config.relativeTolerance > 0.0");
    checkArgument(c.relativeTolerance <= 1.0, "config.relativeTolerance <= 1.0");
    checkArgument(c.absoluteTolerance > 0.0, "config.absoluteTolerance > 0.0");
    checkArgument(c.divergenceTolerance >= 1.0, "config.divergenceTolerance >= 1.0");
    checkArgument(c.maxIterations >= 0, "config.maxIterations >= 0");
    checkArgument(c.maxRuntime >= 0, "config.maxRuntime >= 0");
}

// Runs the solver; the outcome arrives as a thrown flag. A solver that
// returns without one has failed in an unknown way.
template <typename T>
kyraSparseFlag runSolver(Solver& solver, const Platform& platform, const Preconditioner& preconditioner,
                         const Matrix<T>& A, const Vector<T>& b, Vector<T>& x) {
    try {
        solver.details(platform, preconditioner, A, b, x);
    } catch (kyraSparseFlag flag) {
        return flag;
    }
    return kyraSparseUnknownIterationError;
}

template <typename T>
[[noreturn]] void SolverInterface(const Context& context, const kyraSparseConfig* config,
                                  DataFormat<T>& format, Platform& platform, Preconditioner& preconditioner,
                                  Solver& solver, kyraSparseResult* result) {
    cudalib::HighResolutionTimer timer;
    checkArgument(result != nullptr, "result != 0");
    std::memset(result, 0, sizeof *result);
    if (config) {
        result->config = *config;
    } else {
        SetDefault(result->config);
    }
    validate(result->config);
    result->residualVector = result->config.residualVector;

    timer.restart();
    if (!platform.prepared()) platform.prepareData(format);
    platform.loadVectors(format.x(), format.b(), result->config.useInitialGuess != 0);
    result->overheadTime = timer.elapsed();

    const Matrix<T>& A = platform.matrix<T>();
    Vector<T>& x = platform.x<T>();
    const Vector<T>& b = platform.b<T>();

    timer.restart();
    if (!preconditioner.isInit()) preconditioner.generate(context, platform, A);
    result->preconditionerTime = timer.elapsed();

    timer.restart();
    solver.beginRun(context, result->config, *result);
    result->flag = runSolver(solver, platform, preconditioner, A, b, x);
    result->solverTime = timer.elapsed();

    timer.restart();
    platform.cleanupData(format);
    result->overheadTime += timer.elapsed();

    result->extendedInfoId =
        context.addExtendedInfo({format.name(), platform.name(), preconditioner.name(), solver.name()});
    result->totalTime = result->overheadTime + result->preconditionerTime + result->solverTime;

    const std::string summary = resultSummary(solver.name(), preconditioner.name(), *result);
    const kyraSparseFlag flag = result->flag;
    if (flag == kyraSparseRelativeToleranceReached || flag == kyraSparseAbsoluteToleranceReached ||
        flag == kyraSparseNoSolverSelected) {
        KyraSparseExceptionTemplate<kyraSparseNoError>::raise(summary);
    }
    KyraSparseExceptionTemplate<kyraSparseNonConvergence>::raise(summary);
}

template <typename T>
void doExecutePlan(const Context& context, Plan& plan, const kyraSparseConfig* config,
                   kyraSparseResult* result) {
    auto& format = dynamic_cast<DataFormat<T>&>(plan.getDataFormat());
    SolverInterface<T>(context, config, format, plan.getPlatform(), plan.getPreconditioner(),
                       plan.getSolver(), result);
}

}  // namespace

void executePlan(const Context& context, kyraSparsePlan handle, const kyraSparseConfig* config,
                 kyraSparseResult* result) {
    Plan& plan = getPlan(handle);
    switch (plan.getDataFormat().dataType()) {
        case kFloatData:
            return doExecutePlan<float>(context, plan, config, result);
        case kDoubleData:
            return doExecutePlan<double>(context, plan, config, result);
        case kComplexFloatData:
            return doExecutePlan<kyra::Complex<float>>(context, plan, config, result);
        case kComplexDoubleData:
            return doExecutePlan<kyra::Complex<double>>(context, plan, config, result);
        default:
            KyraSparseExceptionTemplate<kyraSparseNoError>::raise(
                "nothing to run as data has not yet been set");
    }
}

}  // namespace Iterative

extern "C" KYRASPARSE_API kyraSparseStatus kyraSparseExecutePlan(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                 const kyraSparseConfig* config,
                                                                 kyraSparseResult* result) {
    return Iterative::SafeInterface(
        handle, [=](Iterative::Context& c) { Iterative::executePlan(c, plan, config, result); });
}
