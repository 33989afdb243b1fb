#ifndef KYRA_DRIVER_SOLVEDATA_H
#define KYRA_DRIVER_SOLVEDATA_H

// The record of one krylovrun run: what the command line chose and what the
// solve reported.

#include <string>

#include "io/MmioReader.h"
#include "kyraSparse.h"

namespace kyra::driver {

struct SolveData {
    io::DataType::Enum dataType = io::DataType::Unknown;  // fixed by peekMmio on the matrix file
    std::string A;                                        // matrix file
    std::string b;    // right-hand-side file; empty or "ones" for all ones
    std::string xin;  // initial-guess file; empty for zeros
    std::string x;    // solution file; empty for none
    kyraSparseConfig config{};
    kyraSparseResult result{};
};

}  // namespace kyra::driver

#endif
