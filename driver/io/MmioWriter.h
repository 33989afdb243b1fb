#ifndef KYRA_DRIVER_IO_MMIOWRITER_H
#define KYRA_DRIVER_IO_MMIOWRITER_H

// The benchmark's writers of Matrix Market files, the counterparts of
// readMmio and readVector. Values are written with "%20.16g": sixteen
// significant digits, so only values that have at most sixteen read back
// bit for bit. T is double or kyra::Complex<double>.

#include "core/Complex.h"

#include <string>
#include <vector>

namespace kyra::io {

// Writes a general coordinate file ("matrix coordinate real general" or
// "... complex general") of an n x n matrix with one entry per element of
// the three arrays, which must be equally long. Throws std::runtime_error
// "error: file (path) could not be written" or, for arrays of different
// lengths, "error: matrix arrays of different lengths for (path)".
template <typename T>
void writeMmio(const std::string& path, int n, const std::vector<int>& rowIndices,
               const std::vector<int>& colIndices, const std::vector<T>& values);

// Writes values as an array file of values.size() x 1 ("matrix array real
// general" or "... complex general"), one value per line, complex as two
// columns. Throws std::runtime_error "error: file (path) could not be
// written".
template <typename T>
void writeVector(const std::string& path, const std::vector<T>& values);

}  // namespace kyra::io

#endif
