#include "io/TextNumbers.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kyra::io {
namespace {

constexpr int kRealPrecision = 16;
constexpr std::size_t kRealWidth = 20;

// from_chars takes no plus sign; strtod takes one, but never two signs.
bool skipPlusSign(const char*& first, const char* last) {
    if (first == last || *first != '+') return true;
    ++first;
    return first == last || (*first != '+' && *first != '-');
}

// strtod reads "0x" followed by a hexadecimal mantissa as a hexadecimal
// number; from_chars wants the mantissa without the prefix.
bool isHexPrefix(const char* first, const char* last) {
    return last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X') &&
           (std::isxdigit(static_cast<unsigned char>(first[2])) || first[2] == '.');
}

// Overflow and underflow: strtod's answer (infinity, zero or a subnormal)
// is the one the field must give.
double strtodOf(std::string_view field) {
    const std::string text(field);
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace

bool isBlankLine(std::string_view line) {
    for (const char c : line) {
        if (!isBlank(c)) return false;
    }
    return true;
}

bool parseInt(std::string_view field, int& value) {
    const char* first = field.data();
    const char* last = first + field.size();
    if (!skipPlusSign(first, last)) return false;
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last) return false;
    value = parsed;
    return true;
}

bool parseReal(std::string_view field, double& value) {
    const char* first = field.data();
    const char* last = first + field.size();
    if (!skipPlusSign(first, last)) return false;
    bool negative = false;
    if (first != last && *first == '-') {
        negative = true;
        ++first;
    }
    // A second sign after "-" is no number for strtod either.
    if (first == last || *first == '+' || *first == '-') return false;

    const bool hex = isHexPrefix(first, last);
    double magnitude = 0;
    const auto [end, error] = std::from_chars(hex ? first + 2 : first, last, magnitude,
                                              hex ? std::chars_format::hex : std::chars_format::general);
    if (end != last) return false;
    if (error == std::errc::result_out_of_range) {
        value = strtodOf(field);
        return true;
    }
    if (error != std::errc()) return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

char* formatInt(char* out, int value) { return std::to_chars(out, out + kNumberTextMax, value).ptr; }

char* formatReal(char* out, double value) {
    char text[kNumberTextMax];
    const char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, kRealPrecision).ptr;
    const std::size_t length = static_cast<std::size_t>(end - text);
    const std::size_t padding = length < kRealWidth ? kRealWidth - length : 0;
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text, length);
    return out + padding + length;
}

}  // namespace kyra::io
