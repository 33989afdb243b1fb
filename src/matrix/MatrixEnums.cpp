#include "matrix/MatrixEnums.h"

#include "core/Exception.h"

namespace Iterative {

namespace {

// An enumeration value outside its table can only come from a library fault.
[[noreturn]] void raiseInvalidEnumeration() {
    KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("");
}

template <int N>
char charOf(int value, const char (&chars)[N]) {
    if (value < 0 || value >= N - 1) raiseInvalidEnumeration();
    return chars[value];
}

template <int N>
int constantOf(int value, const int (&constants)[N]) {
    if (value < 0 || value >= N) raiseInvalidEnumeration();
    return constants[value];
}

}  // namespace

char TransOp::toChar() const { return charOf(value_, "NTC"); }
int TransOp::toCusparse() const { return constantOf(value_, {0, 1, 2}); }

char SideType::toChar() const { return charOf(value_, "UL"); }
int SideType::toCusparse() const { return constantOf(value_, {1, 0}); }

char DiagType::toChar() const { return charOf(value_, "NU"); }
int DiagType::toCusparse() const { return constantOf(value_, {0, 1}); }

char IndexType::toChar() const { return charOf(value_, "CF"); }
int IndexType::toCusparse() const { return constantOf(value_, {0, 1}); }

IndexType IndexType::fromChar(char c) {
    switch (c) {
        case '0':
        case 'C':
        case 'c':
        case 'Z':
        case 'z':
            return ZeroBased;
        case '1':
        case 'F':
        case 'f':
        case 'O':
        case 'o':
            return OneBased;
        default:
            raiseInvalidEnumeration();
    }
}

IndexType IndexType::fromCusparse(int base) {
    if (base != 0 && base != 1) raiseInvalidEnumeration();
    return IndexType(base);
}

char MatrixType::toChar() const { return charOf(value_, "GSHTAD"); }

}  // namespace Iterative
