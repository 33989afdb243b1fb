#include "core/Options.h"

#include <cstring>

namespace Iterative {

namespace {
template <typename Record>
void zero(Record& r) {
    std::memset(&r, 0, sizeof r);
}
}  // namespace

void SetDefault(kyraSparseConfig& r) {
    zero(r);
    r.relativeTolerance = 1e-6;
    r.absoluteTolerance = 1e-50;
    r.divergenceTolerance = 1e5;
    r.maxIterations = 10000;
    r.useStagnationCheck = 1;
}
void SetDefault(kyraSparseHostOptions& r) { zero(r); }
void SetDefault(kyraSparseCudaOptions& r) { zero(r); }
void SetDefault(kyraSparseCudaDeviceOptions& r) { zero(r); }
void SetDefault(kyraSparseCsrOptions& r) { zero(r); }
void SetDefault(kyraSparseCscOptions& r) { zero(r); }
void SetDefault(kyraSparseCooOptions& r) { zero(r); }
void SetDefault(kyraSparseMatrixFreeOptions& r) { zero(r); }
void SetDefault(kyraSparseCgOptions& r) { zero(r); }
void SetDefault(kyraSparseBicgOptions& r) { zero(r); }
void SetDefault(kyraSparseBicgstabOptions& r) { zero(r); }
void SetDefault(kyraSparseBicgstablOptions& r) {
    zero(r);
    r.l = 2;
}
void SetDefault(kyraSparseGmresOptions& r) {
    zero(r);
    r.restart = 20;
}
void SetDefault(kyraSparseMinresOptions& r) { zero(r); }
void SetDefault(kyraSparseEmptyOptions& r) { zero(r); }
void SetDefault(kyraSparseJacobiOptions& r) { zero(r); }
void SetDefault(kyraSparseBlockjacobiOptions& r) {
    zero(r);
    r.blockSize = 5;
}
void SetDefault(kyraSparseIlu0Options& r) { zero(r); }
void SetDefault(kyraSparseAinvOptions& r) { zero(r); }
void SetDefault(kyraSparseFainvOptions& r) { zero(r); }
void SetDefault(kyraSparseUserDefinedOptions& r) { zero(r); }

}  // namespace Iterative
