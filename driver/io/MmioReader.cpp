#include "io/MmioReader.h"

#include "io/LineReader.h"
#include "io/MatrixMarket.h"
#include "io/TextNumbers.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace kyra::io {
namespace {

constexpr long long kIntMax = std::numeric_limits<int>::max();

// Numbers on a line for one value: real and imaginary part for complex.
template <typename T>
constexpr int kValueFields = IsComplex<T>::value ? 2 : 1;

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

std::string lineOf(long long lineNumber, const std::string& path) {
    return "line " + std::to_string(lineNumber) + " of (" + path + ")";
}

LineReader openForReading(const std::string& path, const std::string& notOpenMessage) {
    LineReader file(path);
    if (!file.isOpen()) fail(notOpenMessage);
    return file;
}

MmTypecode readBanner(LineReader& file, const std::string& path) {
    MmTypecode typecode;
    if (mm_read_banner(file, typecode) != kMmSuccess)
        fail("error: could not process Matrix Market banner for (" + path + ")");
    return typecode;
}

// How a line of entries ended up.
enum class LineStatus { Entry, Blank, NoNumber, Incomplete, InvalidNumber, ExtraField, TooLong, EndOfFile };

template <typename T>
struct Entry {
    int row = 0;
    int col = 0;
    T value{};
};

LineStatus parseValue(FieldScanner& fields, double& value) {
    std::string_view field;
    if (!fields.next(field)) return LineStatus::Incomplete;
    return parseReal(field, value) ? LineStatus::Entry : LineStatus::InvalidNumber;
}

LineStatus parseValue(FieldScanner& fields, Complex<double>& value) {
    const LineStatus real = parseValue(fields, value.re);
    return real == LineStatus::Entry ? parseValue(fields, value.im) : real;
}

LineStatus endOfFields(FieldScanner& fields) {
    std::string_view extra;
    return fields.next(extra) ? LineStatus::ExtraField : LineStatus::Entry;
}

// "row col value" (complex: two value fields; pattern: none, the value is 1).
// A line whose first field is no number converts nothing: it ends the
// entries rather than failing.
template <typename T>
LineStatus parseCoordinateLine(std::string_view line, bool pattern, Entry<T>& entry) {
    FieldScanner fields(line);
    std::string_view field;
    if (!fields.next(field)) return LineStatus::Blank;
    if (!parseInt(field, entry.row)) return LineStatus::NoNumber;
    if (!fields.next(field)) return LineStatus::Incomplete;
    if (!parseInt(field, entry.col)) return LineStatus::InvalidNumber;
    if (pattern) {
        entry.value = T(1);
    } else {
        const LineStatus value = parseValue(fields, entry.value);
        if (value != LineStatus::Entry) return value;
    }
    return endOfFields(fields);
}

template <typename T>
struct CooArrays {
    std::vector<int>& rows;
    std::vector<int>& cols;
    std::vector<T>& values;

    void reserve(std::size_t count) {
        rows.reserve(count);
        cols.reserve(count);
        values.reserve(count);
    }
    void append(int row, int col, const T& value) {
        rows.push_back(row);
        cols.push_back(col);
        values.push_back(value);
    }
};

// How many lines of `fields` fields the rest of the file can hold: each
// takes at least two bytes a field ("1 1 1\n"), the last one without its
// line end. Bounds what is reserved, however large the size line claims.
long long linesThatFit(long long bytesLeft, int fields) {
    if (bytesLeft < 0) return 0;
    return (bytesLeft + 1) / (2LL * fields);
}

// Symmetric and hermitian files store one triangle; the other is implied.
bool isMirrored(const MmTypecode& typecode) { return typecode.isSymmetric() || typecode.isHermitian(); }

// Entries to reserve: the announced count (2 * nz - N for an expanded
// triangle with a full diagonal), but no more than the file can hold.
long long coordinateReservation(int N, int nz, long long bytesLeft, bool mirrored, int valueFields) {
    const long long fileEntries = std::min<long long>(nz, linesThatFit(bytesLeft, 2 + valueFields));
    if (!mirrored) return fileEntries;
    const long long expanded = std::max(2LL * nz - N, static_cast<long long>(nz));
    return std::min(expanded, 2 * fileEntries);
}

// Why the entries ended, and on which line.
struct EntriesEnd {
    LineStatus status;  // Entry: all nz were read
    long long lineNumber;
};

// Reads nz stored entries, mirroring off-diagonal ones of symmetric and
// hermitian files; stops early at the end of the file or at a line that
// holds no number.
template <typename T>
EntriesEnd readCoordinateEntries(LineReader& file, const MmTypecode& typecode, int nz, CooArrays<T>& out,
                                 const std::string& path) {
    const bool mirrored = isMirrored(typecode);
    const bool hermitian = typecode.isHermitian();
    Entry<T> entry;
    std::string_view line;
    for (int stored = 0; stored < nz;) {
        if (!file.nextLine(line)) return {LineStatus::EndOfFile, file.lineNumber()};
        if (file.lineTruncated()) return {LineStatus::TooLong, file.lineNumber()};
        const LineStatus status = parseCoordinateLine(line, typecode.isPattern(), entry);
        if (status == LineStatus::Blank) continue;
        if (status != LineStatus::Entry) return {status, file.lineNumber()};

        // Only mirrors can take the count past nz, and so past what an int holds.
        if (mirrored && static_cast<long long>(out.rows.size()) > kIntMax - 2)
            fail("error: too many entries in matrix (" + path + ")");
        out.append(entry.row, entry.col, entry.value);
        if (mirrored && entry.row != entry.col) {
            T mirror = entry.value;
            if (hermitian) Conjugate(mirror);
            out.append(entry.col, entry.row, mirror);
        }
        ++stored;
    }
    return {LineStatus::Entry, file.lineNumber()};
}

// The message of a line that ended the entries in error; empty for the
// endings that simply stop the reading.
std::string entryFailure(const EntriesEnd& end, const std::string& path) {
    const long long lineNumber = end.lineNumber;
    switch (end.status) {
        case LineStatus::Incomplete:
            return "error: incomplete matrix entry on " + lineOf(lineNumber, path);
        case LineStatus::InvalidNumber:
            return "error: invalid number in matrix entry on " + lineOf(lineNumber, path);
        case LineStatus::ExtraField:
            return "error: too many values in matrix entry on " + lineOf(lineNumber, path);
        case LineStatus::TooLong:
            return "error: " + lineOf(lineNumber, path) + " is too long";
        default:
            return {};
    }
}

// One value per line (complex: two); false for anything else.
template <typename T>
bool parseArrayLine(std::string_view line, T& value) {
    FieldScanner fields(line);
    return parseValue(fields, value) == LineStatus::Entry && endOfFields(fields) == LineStatus::Entry;
}

template <typename T>
bool readArrayValues(LineReader& file, int count, std::vector<T>& values) {
    std::string_view line;
    T value{};
    while (static_cast<int>(values.size()) < count) {
        if (!file.nextLine(line) || file.lineTruncated()) return false;
        if (isBlankLine(line)) continue;
        if (!parseArrayLine(line, value)) return false;
        values.push_back(value);
    }
    return true;
}

}  // namespace

void peekMmio(const std::string& path, DataType::Enum& type) {
    LineReader file = openForReading(path, "error: file not found (" + path + ")");
    const MmTypecode typecode = readBanner(file, path);
    if (!typecode.isMatrix() || !typecode.isCoordinate())
        fail("error: this application does not support Market Market type (" + mm_typecode_to_str(typecode) +
             ")");
    type = typecode.isComplex() ? DataType::Complex : DataType::Real;
}

template <typename T>
void readMmio(const std::string& path, int& n, int& nnz, std::vector<int>& rowIndices,
              std::vector<int>& colIndices, std::vector<T>& values) {
    LineReader file = openForReading(path, "error: file (" + path + ") could not be read");
    const MmTypecode typecode = readBanner(file, path);
    if (!typecode.isMatrix() || !typecode.isCoordinate())
        fail("error: expecting a sparse matrix, got type type (" + mm_typecode_to_str(typecode) + ")");
    int M = 0, N = 0, nz = 0;
    if (mm_read_mtx_crd_size(file, M, N, nz) != kMmSuccess) fail("error: could not determine size of matrix");
    if (M != N) fail("error: This application is designed for square matrices (" + path + ")");

    rowIndices.clear();
    colIndices.clear();
    values.clear();
    CooArrays<T> out{rowIndices, colIndices, values};
    const int valueFields = typecode.isPattern() ? 0 : kValueFields<T>;
    out.reserve(static_cast<std::size_t>(
        coordinateReservation(N, nz, file.bytesLeft(), isMirrored(typecode), valueFields)));

    const EntriesEnd end = readCoordinateEntries(file, typecode, nz, out, path);
    n = N;
    nnz = static_cast<int>(rowIndices.size());
    const std::string failure = entryFailure(end, path);
    if (!failure.empty()) fail(failure);
}

template <typename T>
void readVector(const std::string& path, int n, std::vector<T>& values) {
    LineReader file = openForReading(path, "error: file (" + path + ") could not be read");
    const MmTypecode typecode = readBanner(file, path);
    if (!typecode.isArray())
        fail("error: expecting a array/vector, got type type (" + mm_typecode_to_str(typecode) + ")");
    if (typecode.isComplex() != IsComplex<T>::value)
        fail("error: the specified array (" + path + ") does not match the complexity of the input matrix");
    int M = 0, N = 0;
    if (mm_read_mtx_array_size(file, M, N) != kMmSuccess) fail("error: could not determine size of array");
    if (M != n || N != 1)
        fail("error: the specified array (" + path + ") must have a length that matches the input matrix");

    values.clear();
    values.reserve(
        static_cast<std::size_t>(std::min<long long>(M, linesThatFit(file.bytesLeft(), kValueFields<T>))));
    if (!readArrayValues(file, M, values)) fail("error: failed to read the specified array (" + path + ")");
}

template <typename T>
void fillOnes(std::vector<T>& values) {
    std::fill(values.begin(), values.end(), T(1));
}

#define KYRA_IO_INSTANTIATE_READERS(T)                                                              \
    template void readMmio<T>(const std::string&, int&, int&, std::vector<int>&, std::vector<int>&, \
                              std::vector<T>&);                                                     \
    template void readVector<T>(const std::string&, int, std::vector<T>&);                          \
    template void fillOnes<T>(std::vector<T>&);

KYRA_IO_INSTANTIATE_READERS(double)
KYRA_IO_INSTANTIATE_READERS(Complex<double>)

#undef KYRA_IO_INSTANTIATE_READERS

}  // namespace kyra::io
