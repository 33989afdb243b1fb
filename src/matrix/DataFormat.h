#ifndef KYRA_MATRIX_DATAFORMAT_H
#define KYRA_MATRIX_DATAFORMAT_H

// The record of one linear system as the caller hands it to a plan: the
// matrix arrays (or a product callback), x and b. A data format borrows the
// caller's arrays and copies nothing; its constructor checks only what can be
// checked without reading the arrays. The platforms turn it into matrices and
// vectors of their kind.

#include <string>

#include "core/Complex.h"
#include "kyraSparse.h"

namespace Iterative {

// Codes returned by DataFormatBase::dataType().
enum DataTypeCode : int {
    kNoDataType = 0,
    kFloatData = 1,
    kDoubleData = 2,
    kComplexFloatData = 3,
    kComplexDoubleData = 4
};

// Codes returned by DataFormatBase::storageFormat().
enum StorageFormatCode : int {
    kNoStorage = 0,
    kCooStorage = 1,
    kCsrStorage = 2,
    kCscStorage = 3,
    kMatrixFreeStorage = 4
};

template <typename T>
struct DataTypeOf;
template <>
struct DataTypeOf<float> {
    static constexpr int code = kFloatData;
};
template <>
struct DataTypeOf<double> {
    static constexpr int code = kDoubleData;
};
template <>
struct DataTypeOf<kyra::Complex<float>> {
    static constexpr int code = kComplexFloatData;
};
template <>
struct DataTypeOf<kyra::Complex<double>> {
    static constexpr int code = kComplexDoubleData;
};

// The scalar type of the public interface: the public complex records are
// layout-compatible with kyra::Complex, so arrays convert by reinterpret_cast.
template <typename T>
struct PublicScalarOf {
    using type = T;
};
template <>
struct PublicScalarOf<kyra::Complex<float>> {
    using type = kyraSparseComplexFloat;
};
template <>
struct PublicScalarOf<kyra::Complex<double>> {
    using type = kyraSparseComplexDouble;
};
template <typename T>
using PublicScalar = typename PublicScalarOf<T>::type;

// The public matrix-free product callback for each scalar type.
template <typename T>
struct MatrixFreeCallbackOf;
template <>
struct MatrixFreeCallbackOf<float> {
    using type = kyraSparseSMatrixFree;
};
template <>
struct MatrixFreeCallbackOf<double> {
    using type = kyraSparseDMatrixFree;
};
template <>
struct MatrixFreeCallbackOf<kyra::Complex<float>> {
    using type = kyraSparseCMatrixFree;
};
template <>
struct MatrixFreeCallbackOf<kyra::Complex<double>> {
    using type = kyraSparseZMatrixFree;
};
template <typename T>
using MatrixFreeCallback = typename MatrixFreeCallbackOf<T>::type;

class DataFormatBase {
  public:
    virtual ~DataFormatBase() = default;
    virtual std::string name() const = 0;
    virtual int dataType() const { return kNoDataType; }
    virtual int storageFormat() const { return kNoStorage; }
};

// What a plan holds before data are set.
class NoDataFormat : public DataFormatBase {
  public:
    std::string name() const override { return "None"; }
};

template <typename T>
class DataFormat : public DataFormatBase {
  public:
    int dataType() const override { return DataTypeOf<T>::code; }
    // The caller's solution (and initial guess) and right-hand side arrays;
    // null for a format that holds none.
    virtual T* x() const { return nullptr; }
    virtual const T* b() const { return nullptr; }
};

template <typename T>
class CsrDataFormat : public DataFormat<T> {
  public:
    CsrDataFormat(const kyraSparseCsrOptions* opts, int n, int nnz, const T* a, const int* rowPtr,
                  const int* colInd, T* x, const T* b);

    std::string name() const override { return "csr"; }
    int storageFormat() const override { return kCsrStorage; }

    const kyraSparseCsrOptions& options() const { return options_; }
    int indexing() const { return options_.indexing; }
    int n() const { return n_; }
    int nnz() const { return nnz_; }
    const T* a() const { return a_; }
    const int* rowPtr() const { return rowPtr_; }
    const int* colInd() const { return colInd_; }
    T* x() const override { return x_; }
    const T* b() const override { return b_; }

  private:
    kyraSparseCsrOptions options_;
    int n_;
    int nnz_;
    const T* a_;
    const int* rowPtr_;
    const int* colInd_;
    T* x_;
    const T* b_;
};

template <typename T>
class CscDataFormat : public DataFormat<T> {
  public:
    CscDataFormat(const kyraSparseCscOptions* opts, int n, int nnz, const T* a, const int* rowInd,
                  const int* colPtr, T* x, const T* b);

    std::string name() const override { return "csc"; }
    int storageFormat() const override { return kCscStorage; }

    const kyraSparseCscOptions& options() const { return options_; }
    int indexing() const { return options_.indexing; }
    int n() const { return n_; }
    int nnz() const { return nnz_; }
    const T* a() const { return a_; }
    const int* rowInd() const { return rowInd_; }
    const int* colPtr() const { return colPtr_; }
    T* x() const override { return x_; }
    const T* b() const override { return b_; }

  private:
    kyraSparseCscOptions options_;
    int n_;
    int nnz_;
    const T* a_;
    const int* rowInd_;
    const int* colPtr_;
    T* x_;
    const T* b_;
};

template <typename T>
class CooDataFormat : public DataFormat<T> {
  public:
    CooDataFormat(const kyraSparseCooOptions* opts, int n, int nnz, const T* a, const int* rowInd,
                  const int* colInd, T* x, const T* b);

    std::string name() const override { return "coo"; }
    int storageFormat() const override { return kCooStorage; }

    const kyraSparseCooOptions& options() const { return options_; }
    int indexing() const { return options_.indexing; }
    int n() const { return n_; }
    int nnz() const { return nnz_; }
    const T* a() const { return a_; }
    const int* rowInd() const { return rowInd_; }
    const int* colInd() const { return colInd_; }
    T* x() const override { return x_; }
    const T* b() const override { return b_; }

  private:
    kyraSparseCooOptions options_;
    int n_;
    int nnz_;
    const T* a_;
    const int* rowInd_;
    const int* colInd_;
    T* x_;
    const T* b_;
};

template <typename T>
class MatrixFreeDataFormat : public DataFormat<T> {
  public:
    MatrixFreeDataFormat(const kyraSparseMatrixFreeOptions* opts, int n, MatrixFreeCallback<T> ax, void* user,
                         T* x, const T* b);

    std::string name() const override { return "matrix free"; }
    int storageFormat() const override { return kMatrixFreeStorage; }

    const kyraSparseMatrixFreeOptions& options() const { return options_; }
    int n() const { return n_; }
    MatrixFreeCallback<T> ax() const { return ax_; }
    void* user() const { return user_; }
    T* x() const override { return x_; }
    const T* b() const override { return b_; }

  private:
    kyraSparseMatrixFreeOptions options_;
    int n_;
    MatrixFreeCallback<T> ax_;
    void* user_;
    T* x_;
    const T* b_;
};

// The device arrays of a format must start on 16-byte boundaries; the first
// misaligned array, in the order listed in each overload, raises status 8.
template <typename T>
void checkDeviceAlignment(const CsrDataFormat<T>& format);
template <typename T>
void checkDeviceAlignment(const CscDataFormat<T>& format);
template <typename T>
void checkDeviceAlignment(const CooDataFormat<T>& format);
template <typename T>
void checkDeviceAlignment(const MatrixFreeDataFormat<T>& format);

}  // namespace Iterative

#endif
