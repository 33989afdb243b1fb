#include "io/MatrixMarket.h"

#include "io/TextFile.h"
#include "io/TextNumbers.h"

#include <array>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace kyra::io {
namespace {

constexpr std::string_view kBannerWord = "%%MatrixMarket";
constexpr std::size_t kBannerWords = 5;
constexpr std::size_t kOutputBufferSize = std::size_t(1) << 20;

struct Word {
    std::string_view text;
    char letter;
};

constexpr std::array<Word, 1> kObjects = {{{"matrix", 'M'}}};
constexpr std::array<Word, 2> kFormats = {{{"coordinate", 'C'}, {"array", 'A'}}};
constexpr std::array<Word, 4> kFields = {
    {{"real", 'R'}, {"complex", 'C'}, {"pattern", 'P'}, {"integer", 'I'}}};
constexpr std::array<Word, 4> kSymmetries = {
    {{"general", 'G'}, {"symmetric", 'S'}, {"hermitian", 'H'}, {"skew-symmetric", 'K'}}};

// The letter of a lower-case word; 0 when the word is not in the table.
template <std::size_t N>
char letterOf(std::string_view word, const std::array<Word, N>& table) {
    for (const Word& entry : table) {
        if (entry.text == word) return entry.letter;
    }
    return 0;
}

// The word of a letter; empty when the letter is not in the table.
template <std::size_t N>
std::string_view wordOf(char letter, const std::array<Word, N>& table) {
    for (const Word& entry : table) {
        if (entry.letter == letter) return entry.text;
    }
    return {};
}

std::string lowerCase(std::string_view word) {
    std::string lowered(word);
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool isComment(std::string_view line) { return !line.empty() && line.front() == '%'; }

// The size numbers of either kind of file: count non-negative ints that
// follow the comment lines, one line or several.
int readSizeNumbers(LineReader& file, int* numbers, int count) {
    int found = 0;
    std::string_view line;
    while (found < count) {
        if (!file.nextLine(line)) return kMmPrematureEof;
        if (isComment(line)) continue;
        if (file.lineTruncated()) return kMmInvalidSize;
        FieldScanner fields(line);
        std::string_view field;
        while (found < count && fields.next(field)) {
            if (!parseInt(field, numbers[found]) || numbers[found] < 0) return kMmInvalidSize;
            ++found;
        }
    }
    return kMmSuccess;
}

bool writeText(std::FILE* file, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// One coordinate entry as "%d %d %20.16g\n"; valueCount is 0, 1 or 2.
std::string_view formatEntry(char* line, int row, int col, const double* value, int valueCount) {
    char* end = formatInt(line, row);
    *end++ = ' ';
    end = formatInt(end, col);
    for (int part = 0; part < valueCount; ++part) {
        *end++ = ' ';
        end = formatReal(end, value[part]);
    }
    *end++ = '\n';
    return std::string_view(line, static_cast<std::size_t>(end - line));
}

// Values per entry of a coordinate file this module writes; -1 when it
// does not write the type.
int valuesPerEntry(const MmTypecode& typecode) {
    if (!typecode.isMatrix() || !typecode.isCoordinate() || mm_typecode_to_str(typecode).empty()) return -1;
    if (typecode.isPattern()) return 0;
    if (typecode.isReal()) return 1;
    if (typecode.isComplex()) return 2;
    return -1;
}

}  // namespace

int mm_read_banner(LineReader& file, MmTypecode& typecode) {
    std::string_view line;
    if (!file.nextLine(line)) return kMmPrematureEof;
    FieldScanner fields(line.substr(0, kMmBannerLengthMax));
    std::array<std::string_view, kBannerWords> words;
    for (std::string_view& word : words) {
        if (!fields.next(word)) return kMmPrematureEof;
    }
    if (words[0] != kBannerWord) return kMmNoHeader;

    const MmTypecode read{letterOf(lowerCase(words[1]), kObjects), letterOf(lowerCase(words[2]), kFormats),
                          letterOf(lowerCase(words[3]), kFields), letterOf(lowerCase(words[4]), kSymmetries)};
    if (!read.object || !read.format || !read.field || !read.symmetry) return kMmUnsupportedType;
    typecode = read;
    return kMmSuccess;
}

int mm_read_mtx_crd_size(LineReader& file, int& M, int& N, int& nz) {
    M = N = nz = 0;
    int numbers[3] = {0, 0, 0};
    const int status = readSizeNumbers(file, numbers, 3);
    if (status != kMmSuccess) return status;
    M = numbers[0];
    N = numbers[1];
    nz = numbers[2];
    return kMmSuccess;
}

int mm_read_mtx_array_size(LineReader& file, int& M, int& N) {
    M = N = 0;
    int numbers[2] = {0, 0};
    const int status = readSizeNumbers(file, numbers, 2);
    if (status != kMmSuccess) return status;
    M = numbers[0];
    N = numbers[1];
    return kMmSuccess;
}

std::string mm_typecode_to_str(const MmTypecode& typecode) {
    const std::string_view words[] = {wordOf(typecode.object, kObjects), wordOf(typecode.format, kFormats),
                                      wordOf(typecode.field, kFields),
                                      wordOf(typecode.symmetry, kSymmetries)};
    std::string text;
    for (const std::string_view word : words) {
        if (word.empty()) return {};
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

int mm_write_banner(std::FILE* file, const MmTypecode& typecode) {
    const std::string words = mm_typecode_to_str(typecode);
    if (words.empty()) return kMmUnsupportedType;
    const std::string line = std::string(kBannerWord) + ' ' + words + '\n';
    return writeText(file, line) ? kMmSuccess : kMmCouldNotWriteFile;
}

int mm_write_mtx_array_size(std::FILE* file, int M, int N) {
    return std::fprintf(file, "%d %d\n", M, N) < 0 ? kMmCouldNotWriteFile : kMmSuccess;
}

int mm_write_mtx_crd_size(std::FILE* file, int M, int N, int nz) {
    return std::fprintf(file, "%d %d %d\n", M, N, nz) < 0 ? kMmCouldNotWriteFile : kMmSuccess;
}

int mm_write_mtx_crd(const std::string& path, int M, int N, int nz, const int* rows, const int* cols,
                     const double* values, const MmTypecode& typecode) {
    const int valueCount = valuesPerEntry(typecode);
    if (valueCount < 0) return kMmUnsupportedType;
    std::vector<char> buffer(kOutputBufferSize);  // outlives the file, which closes first
    FilePtr file = openFile(path, "wb");
    if (!file) return kMmCouldNotWriteFile;
    std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());

    bool written = mm_write_banner(file.get(), typecode) == kMmSuccess &&
                   mm_write_mtx_crd_size(file.get(), M, N, nz) == kMmSuccess;
    char line[4 * kNumberTextMax + 8];
    for (int k = 0; written && k < nz; ++k) {
        const double* value = valueCount > 0 ? values + static_cast<std::ptrdiff_t>(k) * valueCount : nullptr;
        written = writeText(file.get(), formatEntry(line, rows[k], cols[k], value, valueCount));
    }
    return closeWrittenFile(std::move(file)) && written ? kMmSuccess : kMmCouldNotWriteFile;
}

}  // namespace kyra::io
