#ifndef KYRA_API_KYRASPARSECOMMON_H
#define KYRA_API_KYRASPARSECOMMON_H

// The library's texts: status, flag and reordering names, the configuration
// and result descriptions, the summary sentence of a solve, and the bounded
// copy that returns every text into a caller buffer.

#include <string>

#include "kyraSparse.h"

namespace Iterative {

class Context;

std::string statusMessages(int status);
std::string flagMessages(int flag);
std::string reorderingString(int reordering);

std::string configText(const kyraSparseConfig& config);
std::string resultText(const Context& context, const kyraSparseResult& result);
std::string resultSummary(const std::string& solverName, const std::string& preconditionerName,
                          const kyraSparseResult& result);

// Numbers as the default stream writes them (6 significant digits).
std::string formatNumber(double value);

// Checks "buf != 0" and "bufsize > 0", copies at most bufsize bytes (zero
// padded) and forces the last byte of the buffer to zero.
void copyToBuffer(const std::string& text, char* buf, int bufsize);

}  // namespace Iterative

#endif
