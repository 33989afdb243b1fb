#ifndef KYRA_DRIVER_COMMANDLINE_H
#define KYRA_DRIVER_COMMANDLINE_H

// The text rules of krylovrun's command line: key=value arguments, keys and
// words compared without regard to letter case, help words, and numbers that
// convert only when the whole value is one number.

#include <string>
#include <string_view>
#include <utility>

namespace kyra::driver {

// Case-insensitive comparison of two NUL-terminated strings (strcasecmp).
int strcmp_ci(const char* a, const char* b);

// True when a and b are equal apart from letter case.
bool CiEq(const char* a, const char* b);
bool CiEq(const std::string& a, const char* b);

// True when the argument has the key=value shape, i.e. holds a '='.
bool IsValidKey(const std::string& arg);

// Splits at the first '=' into (key, value); the value may itself hold '='
// or be empty.
std::pair<std::string, std::string> GetKey(const std::string& arg);

// "-h", "--help", "help" or "/?", in any letter case.
bool isHelpWord(const std::string& arg);

// The whole text as a double: a decimal number with an optional sign, or
// "nan", "nan(...)", "inf" and "infinity" in any letter case with an
// optional sign. No surrounding blanks, no hexadecimal; a value too large
// for a double is refused. False leaves value untouched.
bool convertWhole(std::string_view text, double& value);

// The whole text as a 32-bit signed integer: optional sign, then digits
// only, within range. False leaves value untouched.
bool convertWhole(std::string_view text, int& value);

}  // namespace kyra::driver

#endif
