#if defined(KYRA_WITH_CUDA)

#include "cudalib/Stream.h"

#include "cudalib/Device.h"
#include "cudalib/ErrorChecker.h"

namespace cudalib {

Stream::Stream() {
    const int device = GetExecutingDevice();
    if (!HasAsynchronousExecute(device)) return;
    CudaErrorChecker(cudaStreamCreate(&stream_));
    device_ = device;
}

Stream::~Stream() {
    if (stream_) cudaStreamDestroy(stream_);
}

void Stream::Synchronize() const {
    if (stream_) CudaErrorChecker(cudaStreamSynchronize(stream_));
}

bool Stream::Query() const {
    if (!stream_) return true;
    const cudaError_t status = cudaStreamQuery(stream_);
    if (status == cudaErrorNotReady) return false;
    CudaErrorChecker::CheckError(status);
    return true;
}

}  // namespace cudalib

#endif
