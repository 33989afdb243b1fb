#ifndef KYRA_CORE_TYPEDCONTAINER_H
#define KYRA_CORE_TYPEDCONTAINER_H

#include <memory>
#include <tuple>

#include "core/Complex.h"

namespace Iterative {

// One shared pointer to an X<T> for each of the four scalar types.
template <template <typename> class X>
class TypedContainer {
  public:
    template <typename T>
    std::shared_ptr<X<T>>& get() {
        return std::get<std::shared_ptr<X<T>>>(entries_);
    }
    template <typename T>
    const std::shared_ptr<X<T>>& get() const {
        return std::get<std::shared_ptr<X<T>>>(entries_);
    }

  private:
    std::tuple<std::shared_ptr<X<float>>, std::shared_ptr<X<double>>,
               std::shared_ptr<X<kyra::Complex<float>>>, std::shared_ptr<X<kyra::Complex<double>>>>
        entries_;
};

}  // namespace Iterative

#endif
