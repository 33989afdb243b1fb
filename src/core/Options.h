#ifndef KYRA_CORE_OPTIONS_H
#define KYRA_CORE_OPTIONS_H

// Default fillers for every option record: zero the record, then set the
// fields whose default is not zero. Constructors given a null record and the
// public initialisers use them.

#include <cstring>

#include "kyraSparse.h"

namespace Iterative {

void SetDefault(kyraSparseConfig& r);
void SetDefault(kyraSparseHostOptions& r);
void SetDefault(kyraSparseCudaOptions& r);
void SetDefault(kyraSparseCudaDeviceOptions& r);
void SetDefault(kyraSparseCsrOptions& r);
void SetDefault(kyraSparseCscOptions& r);
void SetDefault(kyraSparseCooOptions& r);
void SetDefault(kyraSparseMatrixFreeOptions& r);
void SetDefault(kyraSparseCgOptions& r);
void SetDefault(kyraSparseBicgOptions& r);
void SetDefault(kyraSparseBicgstabOptions& r);
void SetDefault(kyraSparseBicgstablOptions& r);
void SetDefault(kyraSparseGmresOptions& r);
void SetDefault(kyraSparseMinresOptions& r);
void SetDefault(kyraSparseEmptyOptions& r);
void SetDefault(kyraSparseJacobiOptions& r);
void SetDefault(kyraSparseBlockjacobiOptions& r);
void SetDefault(kyraSparseIlu0Options& r);
void SetDefault(kyraSparseAinvOptions& r);
void SetDefault(kyraSparseFainvOptions& r);
void SetDefault(kyraSparseUserDefinedOptions& r);

// The record a constructor keeps: a copy of *opts, or the defaults for null.
template <typename Record>
Record copyOrDefault(const Record* opts) {
    Record record;
    if (opts) {
        record = *opts;
    } else {
        SetDefault(record);
    }
    return record;
}

// Checks of a 0-or-1 field compare unsigned, so negative values fail too.
inline bool isZeroOrOne(int value) { return static_cast<unsigned>(value) <= 1u; }

// The integer a caller stored in an enumeration field. C callers may store
// any int there; reading it through the enumeration type would be undefined
// for values outside the enumerators, so the bytes are read as an int.
template <typename Enum>
int rawValue(const Enum& field) {
    static_assert(sizeof(Enum) == sizeof(int), "enumeration fields are int-sized");
    int value;
    std::memcpy(&value, &field, sizeof value);
    return value;
}

// Whether a reordering field holds one of the three reorderings.
inline bool isKnownReordering(const kyraSparseReordering& field) {
    return static_cast<unsigned>(rawValue(field)) <= kyraSparseSymamdReordering;
}

}  // namespace Iterative

#endif
