#include "api/KyraSparseCommon.h"

#include <cstring>
#include <sstream>

#include "core/Context.h"
#include "core/Exception.h"
#include "core/Options.h"

namespace Iterative {

std::string statusMessages(int status) {
    switch (status) {
        case kyraSparseNoError:
            return "no error";
        case kyraSparseNonConvergence:
            return "the solver did not converge";
        case kyraSparsePreconditionerError:
            return "preconditioner error";
        case kyraSparseArgumentError:
            return "an argument is incorrect";
        case kyraSparseDataFormatError:
            return "data format error";
        case kyraSparseInsufficientMemory:
            return "insufficient memory";
        case kyraSparseFeatureNotImplemented:
            return "a necessary feature is not implemented";
        case kyraSparseRuntimeError:
            return "a runtime error occurred";
        case kyraSparseInternalError:
            return "an internal error occurred";
        case kyraSparseHandleError:
            return "the library handle has not been initialized";
        case kyraSparseUnspecifiedError:
            return "an unspecified error occurred";
        default:
            return "no status string available";
    }
}

std::string flagMessages(int flag) {
    switch (flag) {
        case kyraSparseRelativeToleranceReached:
            return "the solver converged to the relative tolerance";
        case kyraSparseAbsoluteToleranceReached:
            return "the solver converged to the absolute tolerance";
        case kyraSparseDivergenceToleranceReached:
            return "the solver diverged by the divergence tolerance";
        case kyraSparseMaxIterationsReached:
            return "the maximum number of iterations was reached";
        case kyraSparseMaxRuntimeReached:
            return "the maximum runtime was exceeded";
        case kyraSparseStagnation:
            return "the solver has stagnated";
        case kyraSparseBreakdown:
            return "the solver has broken down";
        case kyraSparseUserInterrupt:
            return "the solver was interrupted by the user";
        case kyraSparseNoSolverSelected:
            return "no solver was selected";
        case kyraSparseUnknownIterationError:
            return "an unknown iteration error has occurred";
        default:
            return "no flag string available";
    }
}

std::string reorderingString(int reordering) {
    switch (reordering) {
        case kyraSparseNoReordering:
            return "none";
        case kyraSparseAmdReordering:
            return "amd";
        case kyraSparseSymamdReordering:
            return "symamd";
        default:
            return "unknown";
    }
}

std::string formatNumber(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

namespace {
template <typename V>
std::string line(const char* label, const V& value, const char* unit = "") {
    std::ostringstream out;
    out << label << value << unit << '\n';
    return out.str();
}
}  // namespace

std::string configText(const kyraSparseConfig& config) {
    std::string text;
    text += line("relative tolerance:   ", config.relativeTolerance);
    text += line("absolute tolerance:   ", config.absoluteTolerance);
    text += line("divergence tolerance: ", config.divergenceTolerance);
    text += line("max iterations:       ", config.maxIterations);
    // A NaN runtime is "not 0", so it is printed rather than called disabled.
    if (config.maxRuntime != 0.0) {
        text += line("max runtime:          ", config.maxRuntime);
    } else {
        text += "max runtime:          disabled\n";
    }
    text += line("residual vector:      ", config.residualVector ? "enabled" : "disabled");
    return text;
}

std::string resultText(const Context& context, const kyraSparseResult& result) {
    if (result.extendedInfoId == 0) return "error: solver did not successfully execute\n";
    const ExtendedInfo info = context.getExtendedInfo(result.extendedInfoId);
    std::string text;
    text += line("data format:       ", info.dataFormat);
    text += line("platform:          ", info.platform);
    text += line("preconditioner:    ", info.preconditioner);
    text += line("solver:            ", info.solver);
    text += line("result flag:       ", flagMessages(rawValue(result.flag)));
    text += line("iterations:        ", result.iterations);
    text += line("relative residual: ", result.relativeResidual);
    text += line("absolute residual: ", result.absoluteResidual);
    text += line("overhead time:     ", result.overheadTime, " s");
    text += line("precond. time:     ", result.preconditionerTime, " s");
    text += line("solver time:       ", result.solverTime, " s");
    text += line("total time:        ", result.totalTime, " s");
    return text;
}

std::string resultSummary(const std::string& solverName, const std::string& preconditionerName,
                          const kyraSparseResult& result) {
    const std::string who = solverName + " with " + preconditionerName;
    const std::string iteration = std::to_string(result.iterations);
    const std::string relative = formatNumber(result.relativeResidual);
    const std::string stopped =
        who + " stopped at iteration " + iteration + " with a relative residual of " + relative;
    switch (result.flag) {
        case kyraSparseRelativeToleranceReached:
            return who + " converged at iteration " + iteration + " to a relative residual of " + relative;
        case kyraSparseAbsoluteToleranceReached:
            return who + " converged at iteration " + iteration + " to an absolute residual of " +
                   formatNumber(result.absoluteResidual);
        case kyraSparseDivergenceToleranceReached:
            return who + " diverged at iteration " + iteration + " with a relative residual of " + relative;
        case kyraSparseMaxIterationsReached:
            return stopped + " because the maximum number of iterations was reached";
        case kyraSparseMaxRuntimeReached:
            return stopped + " because the maximum execution time was reached";
        case kyraSparseStagnation:
            return stopped + " because stagnation has occurred";
        case kyraSparseBreakdown:
            return stopped + " because algorithmic breakdown occurred";
        case kyraSparseUserInterrupt:
            return stopped + " because the solver was interrupted by the user";
        case kyraSparseNoSolverSelected:
            return "the solver was not configured to execute";
        default:
            return who + " solver stopped at iteration " + iteration + " with a relative residual of " +
                   relative + " due to an unknown error";
    }
}

void copyToBuffer(const std::string& text, char* buf, int bufsize) {
    checkArgument(buf != nullptr, "buf != 0");
    checkArgument(bufsize > 0, "bufsize > 0");
    std::strncpy(buf, text.c_str(), static_cast<size_t>(bufsize));
    buf[bufsize - 1] = '\0';
}

}  // namespace Iterative
