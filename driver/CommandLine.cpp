#include "CommandLine.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kyra::driver {

namespace {

constexpr const char* kHelpWords[] = {"-h", "--help", "help", "/?"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWithCi(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The sign, if any, is taken off the front of text; true when it was '-'.
bool takeSign(std::string_view& text) {
    if (text.empty() || (text.front() != '+' && text.front() != '-')) return false;
    const bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

// "nan", "nan(...)", "inf" or "infinity" after an optional sign.
bool convertInfOrNan(std::string_view text, double& value) {
    const bool negative = takeSign(text);
    double magnitude = 0.0;
    if (startsWithCi(text, "nan")) {
        const std::string_view rest = text.substr(3);
        const bool bracketed = rest.size() >= 2 && rest.front() == '(' && rest.back() == ')';
        if (!rest.empty() && !bracketed) return false;
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else if (text.size() == 3 && startsWithCi(text, "inf")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else if (text.size() == 8 && startsWithCi(text, "infinity")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// A decimal number: digits with at most one '.', at least one digit, then
// an optional exponent with at least one digit.
bool isDecimalNumber(std::string_view text) {
    takeSign(text);
    std::size_t i = 0;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::string_view exponent = text.substr(i + 1);
        takeSign(exponent);
        if (exponent.empty()) return false;
        for (char c : exponent) {
            if (!isDigit(c)) return false;
        }
        return true;
    }
    return i == text.size();
}

}  // namespace

int strcmp_ci(const char* a, const char* b) { return strcasecmp(a, b); }

bool CiEq(const char* a, const char* b) { return strcmp_ci(a, b) == 0; }

bool CiEq(const std::string& a, const char* b) { return CiEq(a.c_str(), b); }

bool IsValidKey(const std::string& arg) { return arg.find('=') != std::string::npos; }

std::pair<std::string, std::string> GetKey(const std::string& arg) {
    const std::size_t equals = arg.find('=');
    if (equals == std::string::npos) return {arg, std::string()};
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

bool isHelpWord(const std::string& arg) {
    for (const char* word : kHelpWords) {
        if (CiEq(arg, word)) return true;
    }
    return false;
}

bool convertWhole(std::string_view text, double& value) {
    if (convertInfOrNan(text, value)) return true;
    if (!isDecimalNumber(text)) return false;
    // The text is checked above, so strtod reads all of it; only the range
    // is left to look at. Values too small for a double become 0 or
    // subnormal, as a stream read gives them.
    const std::string whole(text);
    errno = 0;
    const double converted = std::strtod(whole.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(converted)) return false;
    value = converted;
    return true;
}

bool convertWhole(std::string_view text, int& value) {
    const bool negative = !text.empty() && text.front() == '-';
    std::string_view digits = text;
    takeSign(digits);
    if (digits.empty()) return false;
    for (char c : digits) {
        if (!isDigit(c)) return false;
    }
    // from_chars reads a leading '-' but not a '+', so a '+' is dropped.
    const std::string_view signedDigits = negative ? text : digits;
    int converted = 0;
    const auto [end, error] =
        std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), converted);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size()) return false;
    value = converted;
    return true;
}

}  // namespace kyra::driver
