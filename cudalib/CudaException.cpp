#include "cudalib/CudaException.h"

#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>
#endif

namespace cudalib {

std::string cudaErrorString(int error) {
#if defined(KYRA_WITH_CUDA)
    return cudaGetErrorString(static_cast<cudaError_t>(error));
#else
    return "cuda error " + std::to_string(error);
#endif
}

}  // namespace cudalib
