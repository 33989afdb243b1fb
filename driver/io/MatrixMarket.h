#ifndef KYRA_DRIVER_IO_MATRIXMARKET_H
#define KYRA_DRIVER_IO_MATRIXMARKET_H

// The low-level Matrix Market routines: the banner and its type code, the
// size lines of coordinate and array files, and the writers of both.
// They return 0 or one of the codes below and never throw (apart from a
// read error of the LineReader).

#include "io/LineReader.h"

#include <cstdio>
#include <string>

namespace kyra::io {

constexpr int kMmSuccess = 0;
constexpr int kMmPrematureEof = 12;     // the file ended inside the banner or the size
constexpr int kMmNoHeader = 14;         // the first word is not "%%MatrixMarket"
constexpr int kMmUnsupportedType = 15;  // a banner word outside the known ones
constexpr int kMmInvalidSize = 16;      // a size field that is no non-negative int, or an over-long size line
constexpr int kMmCouldNotWriteFile = 17;  // opening, writing or closing an output file failed

// Only this much of the first line is looked at for the banner's words.
constexpr std::size_t kMmBannerLengthMax = 1024;

// The banner's four words as letters. A default code is invalid: its text
// is empty and the writers refuse it.
struct MmTypecode {
    char object = ' ';    // 'M' matrix
    char format = ' ';    // 'C' coordinate, 'A' array
    char field = ' ';     // 'R' real, 'C' complex, 'I' integer, 'P' pattern
    char symmetry = ' ';  // 'G' general, 'S' symmetric, 'H' hermitian, 'K' skew-symmetric

    bool isMatrix() const { return object == 'M'; }
    bool isCoordinate() const { return format == 'C'; }
    bool isArray() const { return format == 'A'; }
    bool isReal() const { return field == 'R'; }
    bool isComplex() const { return field == 'C'; }
    bool isInteger() const { return field == 'I'; }
    bool isPattern() const { return field == 'P'; }
    bool isGeneral() const { return symmetry == 'G'; }
    bool isSymmetric() const { return symmetry == 'S'; }
    bool isHermitian() const { return symmetry == 'H'; }
    bool isSkew() const { return symmetry == 'K'; }
};

// Reads the next (first) line and splits its first kMmBannerLengthMax
// characters into five words: fewer gives kMmPrematureEof; a first word
// other than "%%MatrixMarket" (letter case counts) kMmNoHeader; other words,
// in any letter case, outside "matrix", "coordinate"/"array",
// "real"/"complex"/"pattern"/"integer" and
// "general"/"symmetric"/"hermitian"/"skew-symmetric" kMmUnsupportedType.
// Words after the fifth are ignored. Sets typecode only on success.
int mm_read_banner(LineReader& file, MmTypecode& typecode);

// Skips lines whose first character is '%', then reads three non-negative
// ints, on one line or spread over the following ones (blank and '%' lines
// between them are skipped, text after the third is ignored). M, N and nz
// are 0 unless this succeeds. End of file: kMmPrematureEof; a field that is
// no non-negative int: kMmInvalidSize.
int mm_read_mtx_crd_size(LineReader& file, int& M, int& N, int& nz);

// The same with the two numbers of an array file.
int mm_read_mtx_array_size(LineReader& file, int& M, int& N);

// The four words separated by single spaces, e.g. "matrix coordinate real
// general"; empty when a letter is not one of the known ones.
std::string mm_typecode_to_str(const MmTypecode& typecode);

// "%%MatrixMarket " and the type code's words, then a line end.
int mm_write_banner(std::FILE* file, const MmTypecode& typecode);

// "%d %d\n".
int mm_write_mtx_array_size(std::FILE* file, int M, int N);

// "%d %d %d\n".
int mm_write_mtx_crd_size(std::FILE* file, int M, int N, int nz);

// Writes a whole coordinate file: banner, size line and nz entries of
// rows[k], cols[k] and the value, as "%d %d %20.16g\n" (complex: real and
// imaginary part, "%d %d %20.16g %20.16g\n", the values array holding two
// doubles per entry; pattern: "%d %d\n", values unused and may be null).
// Type codes other than a real, complex or pattern coordinate matrix give
// kMmUnsupportedType; failing to write gives kMmCouldNotWriteFile.
int mm_write_mtx_crd(const std::string& path, int M, int N, int nz, const int* rows, const int* cols,
                     const double* values, const MmTypecode& typecode);

}  // namespace kyra::io

#endif
