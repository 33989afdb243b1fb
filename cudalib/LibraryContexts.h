#ifndef KYRA_CUDALIB_LIBRARYCONTEXTS_H
#define KYRA_CUDALIB_LIBRARYCONTEXTS_H

// Owners of a cuBLAS and a cuSPARSE library handle. Each is bound to the
// device current at its creation; it records that device and makes it
// current again to destroy the handle, restoring the caller's device after.

#if defined(KYRA_WITH_CUDA)

#include "cudalib/Device.h"
#include "cudalib/ErrorChecker.h"

namespace Cublas {

class Context {
  public:
    Context() : device_(cudalib::GetExecutingDevice()) {
        cudalib::CublasErrorChecker(cublasCreate_v2(&handle_));
    }
    ~Context() {
        cudalib::ScopedDevice onOwnDevice(device_);
        cublasDestroy_v2(handle_);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    int device() const { return device_; }
    cublasHandle_t handle() const { return handle_; }

  private:
    int device_;
    cublasHandle_t handle_ = nullptr;
};

}  // namespace Cublas

namespace Cusparse {

class Context {
  public:
    Context() : device_(cudalib::GetExecutingDevice()) {
        cudalib::CusparseErrorChecker(cusparseCreate(&handle_));
    }
    ~Context() {
        cudalib::ScopedDevice onOwnDevice(device_);
        cusparseDestroy(handle_);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    int device() const { return device_; }
    cusparseHandle_t handle() const { return handle_; }

  private:
    int device_;
    cusparseHandle_t handle_ = nullptr;
};

}  // namespace Cusparse

#endif
#endif
