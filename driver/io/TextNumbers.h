#ifndef KYRA_DRIVER_IO_TEXTNUMBERS_H
#define KYRA_DRIVER_IO_TEXTNUMBERS_H

// Numbers in the text of Matrix Market files. A field is a run of
// non-blank characters; it converts only when the whole field is one number,
// so "1.5x" or "2e" are refused instead of being half read.

#include <cstddef>
#include <string_view>

namespace kyra::io {

// The separators of the C locale's isspace.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isBlankLine(std::string_view line);

// Splits one line into its fields, left to right.
class FieldScanner {
  public:
    explicit FieldScanner(std::string_view line) : rest_(line) {}

    // The next field; false when the line holds no more.
    bool next(std::string_view& field) {
        std::size_t start = 0;
        while (start < rest_.size() && isBlank(rest_[start])) ++start;
        if (start == rest_.size()) return false;
        std::size_t stop = start;
        while (stop < rest_.size() && !isBlank(rest_[stop])) ++stop;
        field = rest_.substr(start, stop - start);
        rest_.remove_prefix(stop);
        return true;
    }

  private:
    std::string_view rest_;
};

// A decimal integer with an optional sign, as "%d" reads it; false when the
// field is anything else or does not fit an int.
bool parseInt(std::string_view field, int& value);

// A floating-point number exactly as strtod reads and rounds it: decimal or
// hexadecimal, "inf", "infinity", "nan" and "nan(...)" in any letter case,
// with an optional sign. False when the field is anything else.
bool parseReal(std::string_view field, double& value);

// Room for any text formatInt or formatReal writes.
constexpr std::size_t kNumberTextMax = 32;

// Writes value as printf("%d") does; returns the end of the text.
char* formatInt(char* out, int value);

// Writes value as printf("%20.16g") does; returns the end of the text.
char* formatReal(char* out, double value);

}  // namespace kyra::io

#endif
