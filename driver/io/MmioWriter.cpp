#include "io/MmioWriter.h"

#include "io/MatrixMarket.h"
#include "io/TextFile.h"
#include "io/TextNumbers.h"

#include <limits>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace kyra::io {
namespace {

constexpr std::size_t kOutputBufferSize = std::size_t(1) << 20;
constexpr std::size_t kIntMax = static_cast<std::size_t>(std::numeric_limits<int>::max());

[[noreturn]] void failWriting(const std::string& path) {
    throw std::runtime_error("error: file (" + path + ") could not be written");
}

constexpr MmTypecode generalTypecode(char format, bool complex) {
    return {'M', format, complex ? 'C' : 'R', 'G'};
}

// The values as consecutive doubles; a complex value is two of them (real,
// imaginary), the layout Complex<double> guarantees.
const double* valueParts(const std::vector<double>& values) { return values.data(); }
const double* valueParts(const std::vector<Complex<double>>& values) {
    return reinterpret_cast<const double*>(values.data());
}

// "%20.16g\n", complex "%20.16g %20.16g\n".
std::string_view formatArrayLine(char* line, const double* parts, int partCount) {
    char* end = line;
    for (int part = 0; part < partCount; ++part) {
        if (part > 0) *end++ = ' ';
        end = formatReal(end, parts[part]);
    }
    *end++ = '\n';
    return std::string_view(line, static_cast<std::size_t>(end - line));
}

}  // namespace

template <typename T>
void writeMmio(const std::string& path, int n, const std::vector<int>& rowIndices,
               const std::vector<int>& colIndices, const std::vector<T>& values) {
    if (rowIndices.size() != colIndices.size() || rowIndices.size() != values.size())
        throw std::runtime_error("error: matrix arrays of different lengths for (" + path + ")");
    if (values.size() > kIntMax) failWriting(path);
    const int nnz = static_cast<int>(values.size());
    if (mm_write_mtx_crd(path, n, n, nnz, rowIndices.data(), colIndices.data(), valueParts(values),
                         generalTypecode('C', IsComplex<T>::value)) != kMmSuccess)
        failWriting(path);
}

template <typename T>
void writeVector(const std::string& path, const std::vector<T>& values) {
    if (values.size() > kIntMax) failWriting(path);
    std::vector<char> buffer(kOutputBufferSize);  // outlives the file, which closes first
    FilePtr file = openFile(path, "wb");
    if (!file) failWriting(path);
    std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());

    bool written = mm_write_banner(file.get(), generalTypecode('A', IsComplex<T>::value)) == kMmSuccess &&
                   mm_write_mtx_array_size(file.get(), static_cast<int>(values.size()), 1) == kMmSuccess;
    const int partCount = IsComplex<T>::value ? 2 : 1;
    const double* parts = valueParts(values);
    char line[2 * kNumberTextMax + 4];
    for (std::size_t k = 0; written && k < values.size(); ++k) {
        const std::string_view text = formatArrayLine(line, parts + k * partCount, partCount);
        written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    }
    if (!closeWrittenFile(std::move(file)) || !written) failWriting(path);
}

#define KYRA_IO_INSTANTIATE_WRITERS(T)                                                                    \
    template void writeMmio<T>(const std::string&, int, const std::vector<int>&, const std::vector<int>&, \
                               const std::vector<T>&);                                                    \
    template void writeVector<T>(const std::string&, const std::vector<T>&);

KYRA_IO_INSTANTIATE_WRITERS(double)
KYRA_IO_INSTANTIATE_WRITERS(Complex<double>)

#undef KYRA_IO_INSTANTIATE_WRITERS

}  // namespace kyra::io
