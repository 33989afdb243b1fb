#ifndef KYRA_PLATFORM_PLATFORM_H
#define KYRA_PLATFORM_PLATFORM_H

// Where a solve runs. A platform turns the caller's data format into the
// matrix and vectors of its kind before the solve (prepareData), brings the
// caller's current b and initial guess in at every execution (loadVectors),
// makes work vectors and matrices during the solve, and brings the solution
// back afterwards (cleanupData).
//
// Plan execution uses it like this, for the scalar type T of the data:
//   if (!platform.prepared()) platform.prepareData(format);
//   platform.loadVectors(format.x(), format.b(), config.useInitialGuess != 0);
//   solve with platform.matrix<T>(), platform.x<T>(), platform.b<T>()
//   platform.cleanupData(format);
// and setting new data on the plan calls platform.setPrepared(false).

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/Complex.h"
#include "core/TypedContainer.h"
#include "matrix/CsrMatrix.h"
#include "matrix/DataFormat.h"
#include "matrix/Matrix.h"
#include "matrix/MatrixEnums.h"
#include "matrix/ScalarTypes.h"
#include "matrix/Vector.h"

namespace Iterative {

class Context;

// The operations a platform implements for one scalar type T, declared for
// the four types by KYRA_FOR_EACH_SCALAR. The pointer argument of makeVector
// and makeCsrMatrix is always null: it only selects T.
#define KYRA_PLATFORM_BASE_OPERATIONS(T)                                    \
    virtual void prepareData(const CooDataFormat<T>& format) = 0;           \
    virtual void prepareData(const CsrDataFormat<T>& format) = 0;           \
    virtual void prepareData(const CscDataFormat<T>& format) = 0;           \
    virtual void prepareData(const MatrixFreeDataFormat<T>& format);        \
    virtual void cleanupData(CooDataFormat<T>& format) = 0;                 \
    virtual void cleanupData(CsrDataFormat<T>& format) = 0;                 \
    virtual void cleanupData(CscDataFormat<T>& format) = 0;                 \
    virtual void cleanupData(MatrixFreeDataFormat<T>& format);              \
    virtual void loadVectors(T* x, const T* b, bool initialGuess);          \
    virtual std::shared_ptr<Vector<T>> makeVector(T* tag, int n) const = 0; \
    virtual std::shared_ptr<CsrMatrix<T>> makeCsrMatrix(T* tag, int n, int nnz, IndexType index) const = 0;

// The same operations as overridden by a concrete platform (loadVectors
// only by a platform that works on copies of the caller's vectors).
#define KYRA_PLATFORM_OVERRIDES(T)                                       \
    void prepareData(const CooDataFormat<T>& format) override;           \
    void prepareData(const CsrDataFormat<T>& format) override;           \
    void prepareData(const CscDataFormat<T>& format) override;           \
    void prepareData(const MatrixFreeDataFormat<T>& format) override;    \
    void cleanupData(CooDataFormat<T>& format) override;                 \
    void cleanupData(CsrDataFormat<T>& format) override;                 \
    void cleanupData(CscDataFormat<T>& format) override;                 \
    void cleanupData(MatrixFreeDataFormat<T>& format) override;          \
    std::shared_ptr<Vector<T>> makeVector(T* tag, int n) const override; \
    std::shared_ptr<CsrMatrix<T>> makeCsrMatrix(T* tag, int n, int nnz, IndexType index) const override;

#define KYRA_PLATFORM_LOAD_VECTORS(T) void loadVectors(T* x, const T* b, bool initialGuess) override;

class Platform {
  public:
    explicit Platform(const Context& ctx) : ctx_(ctx) {}
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    virtual ~Platform() = default;

    virtual std::string name() const = 0;

    // Per format and scalar type. The matrix-free forms of the base raise
    // status 6 "matrix free" (prepare) and do nothing (cleanup).
    // loadVectors reads the caller's b, and x when initialGuess is set, into
    // the prepared vectors; the base does nothing, as for platforms whose
    // vectors are the caller's arrays.
    KYRA_FOR_EACH_SCALAR(KYRA_PLATFORM_BASE_OPERATIONS)

    // Dispatch on format.storageFormat() to the overload of its format, after
    // a checked downcast (std::bad_cast on a mismatch); any other storage code
    // raises status 9 "type inference error". prepareData sets the prepared
    // mark once the overload has returned.
    template <typename T>
    void prepareData(const DataFormat<T>& format);
    template <typename T>
    void cleanupData(DataFormat<T>& format);

    // Whether the platform holds the data prepared by the last prepareData;
    // new data on the plan clears it.
    bool prepared() const { return prepared_; }
    void setPrepared(bool prepared) { prepared_ = prepared; }

    // The prepared system for T. The reference forms raise status 9 when no
    // data of type T have been prepared.
    template <typename T>
    const std::shared_ptr<Matrix<T>>& matrixPtr() const {
        return matrices_.get<T>();
    }
    template <typename T>
    const std::shared_ptr<Vector<T>>& xPtr() const {
        return x_.get<T>();
    }
    template <typename T>
    const std::shared_ptr<Vector<T>>& bPtr() const {
        return b_.get<T>();
    }
    template <typename T>
    Matrix<T>& matrix() const;
    template <typename T>
    Vector<T>& x() const;
    template <typename T>
    Vector<T>& b() const;

    const Context& ctx() const { return ctx_; }

    // Old index of each new index of the prepared system (see
    // preconditioner/Reorder.h); empty when it is solved in the caller's
    // numbering. Callbacks written for the caller's system need it.
    const std::vector<int>& permutation() const { return permutation_; }

  protected:
    // Replaces the system held for T.
    template <typename T>
    void store(std::shared_ptr<Matrix<T>> matrix, std::shared_ptr<Vector<T>> x,
               std::shared_ptr<Vector<T>> b) {
        matrices_.get<T>() = std::move(matrix);
        x_.get<T>() = std::move(x);
        b_.get<T>() = std::move(b);
    }
    void setPermutation(std::vector<int> permutation) { permutation_ = std::move(permutation); }

  private:
    const Context& ctx_;
    bool prepared_ = false;
    TypedContainer<Matrix> matrices_;
    TypedContainer<Vector> x_;
    TypedContainer<Vector> b_;
    std::vector<int> permutation_;
};

}  // namespace Iterative

#endif
