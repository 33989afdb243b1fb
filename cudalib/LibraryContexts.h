#ifndef KYRA_CUDALIB_LIBRARYCONTEXTS_H
#define KYRA_CUDALIB_LIBRARYCONTEXTS_H

// Owners of a cuBLAS and a cuSPARSE library handle: created on construction,
// destroyed with the object.

#if defined(KYRA_WITH_CUDA)

#include "cudalib/ErrorChecker.h"

namespace Cublas {

class Context {
  public:
    Context() { cudalib::CublasErrorChecker(cublasCreate(&handle_)); }
    ~Context() { cublasDestroy(handle_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    cublasHandle_t handle() const { return handle_; }

  private:
    cublasHandle_t handle_ = nullptr;
};

}  // namespace Cublas

namespace Cusparse {

class Context {
  public:
    Context() { cudalib::CusparseErrorChecker(cusparseCreate(&handle_)); }
    ~Context() { cusparseDestroy(handle_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    cusparseHandle_t handle() const { return handle_; }

  private:
    cusparseHandle_t handle_ = nullptr;
};

}  // namespace Cusparse

#endif
#endif
