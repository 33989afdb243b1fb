#ifndef KYRA_DRIVER_IO_MMIOREADER_H
#define KYRA_DRIVER_IO_MMIOREADER_H

// The benchmark's readers of Matrix Market files: the matrix as one-based
// coordinate triples (symmetric and hermitian storage expanded) and dense
// vectors. T is double or kyra::Complex<double> (layout-compatible with
// kyraSparseComplexDouble). Every failure throws std::runtime_error whose
// text is the message the benchmark prints.

#include "core/Complex.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kyra::io {

// The scalar type of a run, fixed by the matrix file's banner.
struct DataType {
    enum Enum : std::int32_t { Unknown = 0, Real = 1, Complex = 2 };
};

// Classifies the matrix file: Complex for a complex coordinate matrix, Real
// for a real, integer or pattern one. Throws "error: file not found (path)",
// "error: could not process Matrix Market banner for (path)" or, for array
// files, "error: this application does not support Market Market type
// (words)".
void peekMmio(const std::string& path, DataType::Enum& type);

// Reads a square coordinate matrix into n, nnz and three arrays of nnz
// entries each, replacing their contents. Indices stay as written (one-based,
// not checked against n). Symmetric and hermitian files get the mirror of
// every off-diagonal entry right after it (conjugated for hermitian files),
// so a stored triangle with a full diagonal gives 2 * nz - n entries.
// Skew-symmetric files are read as stored, without mirrors. Pattern files
// give the value 1.
//
// Blank lines are skipped. Reading stops early, without error, at the end
// of the file or at a line that does not start with a number; nnz then
// counts the entries read. Throws the messages below; when an entry line
// fails, n, nnz and the arrays hold what was read before that line:
//   "error: file (path) could not be read"
//   "error: could not process Matrix Market banner for (path)"
//   "error: expecting a sparse matrix, got type type (words)"
//   "error: could not determine size of matrix"
//   "error: This application is designed for square matrices (path)"
//   "error: incomplete matrix entry on line L of (path)"
//   "error: invalid number in matrix entry on line L of (path)"
//   "error: too many values in matrix entry on line L of (path)"
//   "error: line L of (path) is too long"
//   "error: too many entries in matrix (path)" (more than an int counts)
template <typename T>
void readMmio(const std::string& path, int& n, int& nnz, std::vector<int>& rowIndices,
              std::vector<int>& colIndices, std::vector<T>& values);

// Reads an n x 1 array file into values (n entries, one value per line; two
// for complex). Throws "error: file (path) could not be read", the banner
// message, "error: expecting a array/vector, got type type (words)",
// "error: the specified array (path) does not match the complexity of the
// input matrix" (a complex file for double, a non-complex one for complex),
// "error: could not determine size of array", "error: the specified array
// (path) must have a length that matches the input matrix" and, for a
// missing, malformed or over-long value line, "error: failed to read the
// specified array (path)".
template <typename T>
void readVector(const std::string& path, int n, std::vector<T>& values);

// Sets every entry to one (complex: 1 + 0i); the size stays.
template <typename T>
void fillOnes(std::vector<T>& values);

// Negates the imaginary part; a double has none.
inline void Conjugate(double&) {}
inline void Conjugate(Complex<double>& value) { value.im = -value.im; }

}  // namespace kyra::io

#endif
