#ifndef KYRA_MATRIX_MATRIXENUMS_H
#define KYRA_MATRIX_MATRIXENUMS_H

// Small value classes that parameterise vectors and matrices. Each holds one
// int and converts to the sparse-BLAS character (and the cuSPARSE constant)
// it stands for. A value outside the listed ones can be held, but converting
// it raises an internal error: the value came from a fault in the library.

namespace Iterative {

// Where a vector or matrix lives.
class PlatformType {
  public:
    enum Value { Host = 0, Cuda = 1 };

    PlatformType(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit PlatformType(int value) : value_(value) {}

    int value() const { return value_; }
    friend bool operator==(PlatformType a, PlatformType b) { return a.value_ == b.value_; }
    friend bool operator!=(PlatformType a, PlatformType b) { return a.value_ != b.value_; }

  private:
    int value_;
};

// op(A): A, its transpose or its conjugate transpose.
class TransOp {
  public:
    enum Value { NoTrans = 0, Trans = 1, ConjTrans = 2 };

    TransOp(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit TransOp(int value) : value_(value) {}

    int value() const { return value_; }
    char toChar() const;     // 'N', 'T', 'C'
    int toCusparse() const;  // non-transpose 0, transpose 1, conjugate transpose 2
    friend bool operator==(TransOp a, TransOp b) { return a.value_ == b.value_; }
    friend bool operator!=(TransOp a, TransOp b) { return a.value_ != b.value_; }

  private:
    int value_;
};

// Which triangle of a matrix.
class SideType {
  public:
    enum Value { Upper = 0, Lower = 1 };

    SideType(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit SideType(int value) : value_(value) {}

    int value() const { return value_; }
    char toChar() const;     // 'U', 'L'
    int toCusparse() const;  // fill mode upper 1, lower 0
    friend bool operator==(SideType a, SideType b) { return a.value_ == b.value_; }
    friend bool operator!=(SideType a, SideType b) { return a.value_ != b.value_; }

  private:
    int value_;
};

// Whether a triangle has an implicit unit diagonal.
class DiagType {
  public:
    enum Value { NonUnit = 0, Unit = 1 };

    DiagType(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit DiagType(int value) : value_(value) {}

    int value() const { return value_; }
    char toChar() const;     // 'N', 'U'
    int toCusparse() const;  // non-unit 0, unit 1
    friend bool operator==(DiagType a, DiagType b) { return a.value_ == b.value_; }
    friend bool operator!=(DiagType a, DiagType b) { return a.value_ != b.value_; }

  private:
    int value_;
};

// Index base of sparse arrays. Built from an int it is one-based exactly when
// the int is 1, so it never holds an invalid value.
class IndexType {
  public:
    enum Value { ZeroBased = 0, OneBased = 1 };

    IndexType(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit IndexType(int value) : value_(value == 1 ? OneBased : ZeroBased) {}

    // '0', 'C', 'c', 'Z', 'z' are zero-based; '1', 'F', 'f', 'O', 'o' one-based.
    static IndexType fromChar(char c);
    // cuSPARSE index base: 0 zero, 1 one.
    static IndexType fromCusparse(int base);

    int value() const { return value_; }
    int toInt() const { return value_; }  // the base: 0 or 1
    char toChar() const;                  // 'C', 'F'
    int toCusparse() const;               // index base zero 0, one 1
    friend bool operator==(IndexType a, IndexType b) { return a.value_ == b.value_; }
    friend bool operator!=(IndexType a, IndexType b) { return a.value_ != b.value_; }

  private:
    int value_;
};

// Structure named by the first character of a sparse-BLAS descriptor.
class MatrixType {
  public:
    enum Value { General = 0, Symmetric = 1, Hermitian = 2, Triangular = 3, SkewSymmetric = 4, Diagonal = 5 };

    MatrixType(Value value) : value_(value) {}  // NOLINT: enumerators convert implicitly
    explicit MatrixType(int value) : value_(value) {}

    int value() const { return value_; }
    char toChar() const;  // 'G', 'S', 'H', 'T', 'A', 'D'
    friend bool operator==(MatrixType a, MatrixType b) { return a.value_ == b.value_; }
    friend bool operator!=(MatrixType a, MatrixType b) { return a.value_ != b.value_; }

  private:
    int value_;
};

}  // namespace Iterative

#endif
