#ifndef KYRA_MATRIX_CUDAVECTOR_H
#define KYRA_MATRIX_CUDAVECTOR_H

// Vectors in device memory; arithmetic through cuBLAS on the library
// handle's cuBLAS context, all on its default stream. CudaVectorRef borrows
// device memory, CudaVectorAlloc owns its own. Only dot_ and nrm2_ wait for
// the device (for the scalar they return).

#if defined(KYRA_WITH_CUDA)

#include <memory>
#include <string>

#include "core/Context.h"
#include "cudalib/Memory.h"
#include "matrix/HostVector.h"
#include "matrix/Vector.h"

namespace Iterative {

template <typename T>
class CudaVector : public Vector<T> {
  public:
    using typename Vector<T>::RealScalar;

    explicit CudaVector(const Context& ctx) : ctx_(ctx) {}

    PlatformType platform() const override { return PlatformType::Cuda; }
    std::string name() const override { return "cuda vector"; }

    void fill_(T v) override;
    // Contents of the new vector are undefined.
    std::shared_ptr<Vector<T>> clone_() const override;
    void axpy_(T alpha, const Vector<T>& x) override;
    void copy_(const Vector<T>& x) override;
    T dot_(const Vector<T>& y) const override;
    RealScalar nrm2_() const override;
    void scal_(T alpha) override;

    const Context& ctx() const { return ctx_; }

  private:
    const Context& ctx_;
};

// Wraps device memory the caller owns; it must not outlive that memory.
template <typename T>
class CudaVectorRef : public CudaVector<T> {
  public:
    CudaVectorRef(const Context& ctx, int n, T* val, int inc = 1)
        : CudaVector<T>(ctx), n_(n), val_(val), inc_(inc) {}
    // For read-only operands: the vector is then only read by its users.
    CudaVectorRef(const Context& ctx, int n, const T* val, int inc = 1)
        : CudaVectorRef(ctx, n, const_cast<T*>(val), inc) {}

    int n() const override { return n_; }
    int inc() const override { return inc_; }
    T* val() override { return val_; }
    const T* val() const override { return val_; }

  private:
    int n_;
    T* val_;
    int inc_;
};

// Owns n*inc elements on the device current at construction, where they are
// also freed.
template <typename T>
class CudaVectorAlloc : public CudaVector<T> {
  public:
    // Contents undefined.
    CudaVectorAlloc(const Context& ctx, int n, int inc = 1);
    // The first n elements are copied from host memory.
    CudaVectorAlloc(const Context& ctx, int n, const T* host, int inc = 1);

    int n() const override { return n_; }
    int inc() const override { return inc_; }
    T* val() override { return static_cast<T*>(storage_.get()); }
    const T* val() const override { return static_cast<const T*>(storage_.get()); }
    int device() const { return storage_.device(); }
    int count() const { return n_ * inc_; }

  private:
    int n_;
    int inc_;
    cudalib::DeviceAllocation storage_;
};

// dst.n() contiguous elements between the families; strides are not applied
// and the source length is not checked.
template <typename T>
void copy(const HostVector<T>& src, CudaVector<T>& dst);
template <typename T>
void copy(const CudaVector<T>& src, HostVector<T>& dst);

}  // namespace Iterative

#endif
#endif
