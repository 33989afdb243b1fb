#ifndef KYRA_TESTS_RAISED_H
#define KYRA_TESTS_RAISED_H

#include <string>
#include <utility>

#include "core/Exception.h"

// The status and text of the library exception that f raises; {0, ""} when
// it raises none.
using Raised = std::pair<int, std::string>;

template <typename F>
Raised raised(F&& f) {
    try {
        f();
    } catch (const Iterative::KyraSparseException& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

#endif
