#ifndef KYRA_CORE_EXCEPTION_H
#define KYRA_CORE_EXCEPTION_H

// The library's failure mechanism below the public boundary: every failure is
// an exception carrying the kyraSparseStatus it maps to; the guarded frame
// turns it into a status code and the handle's last status text.

#include <string>

#include "kyraSparse.h"

namespace Iterative {

class KyraSparseException {
  public:
    explicit KyraSparseException(std::string message) : message_(std::move(message)) {}
    virtual ~KyraSparseException() = default;
    virtual kyraSparseStatus code() const = 0;
    std::string what() const { return message_; }

  private:
    std::string message_;
};

template <int S>
class KyraSparseExceptionTemplate : public KyraSparseException {
  public:
    explicit KyraSparseExceptionTemplate(std::string message) : KyraSparseException(std::move(message)) {}
    kyraSparseStatus code() const override { return static_cast<kyraSparseStatus>(S); }

    [[noreturn]] static void raise(const std::string& message) {
        throw KyraSparseExceptionTemplate<S>(message);
    }
};

// Raises status 3 with the failed condition as its text unless it holds.
inline void checkArgument(bool condition, const char* conditionText) {
    if (!condition) KyraSparseExceptionTemplate<kyraSparseArgumentError>::raise(conditionText);
}

}  // namespace Iterative

#endif
