#ifndef KYRA_CUDALIB_CUDAEXCEPTION_H
#define KYRA_CUDALIB_CUDAEXCEPTION_H

// Exceptions raised for failing CUDA runtime, cuBLAS and cuSPARSE calls.
// They exist in every build so that the guarded frame can translate them;
// only a CUDA build ever throws them.

#include <new>
#include <stdexcept>
#include <string>

namespace cudalib {

// The runtime's error string for a code (a generic text without CUDA).
std::string cudaErrorString(int error);

class CudaRuntimeException : public std::runtime_error {
  public:
    explicit CudaRuntimeException(int error) : std::runtime_error(cudaErrorString(error)), error_(error) {}
    int Error() const { return error_; }

  private:
    int error_;
};

class CudaMemoryException : public std::bad_alloc {
  public:
    explicit CudaMemoryException(const std::string& message) : message_(message) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

class CublasException : public std::runtime_error {
  public:
    explicit CublasException(int status) : std::runtime_error(""), status_(status) {}
    int Error() const { return status_; }

  private:
    int status_;
};

class CusparseException : public std::runtime_error {
  public:
    CusparseException(int status, const char* text) : std::runtime_error(text), status_(status) {}
    int Error() const { return status_; }

  private:
    int status_;
};

}  // namespace cudalib

#endif
