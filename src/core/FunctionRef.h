#ifndef KYRA_CORE_FUNCTIONREF_H
#define KYRA_CORE_FUNCTIONREF_H

// A non-owning reference to a callable. Binding one stores two pointers and
// never allocates, so a public function can hand its work to the guarded
// frame before anything can fail. The callable must outlive the reference,
// as a temporary lambda does for the call it is an argument of.

#include <type_traits>
#include <utility>

namespace Iterative {

template <typename Signature>
class FunctionRef;

template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
  public:
    template <typename F, typename = std::enable_if_t<!std::is_same<std::decay_t<F>, FunctionRef>::value>>
    FunctionRef(const F& f)  // implicit, like std::function
        : object_(&f), call_([](const void* object, Args... args) -> R {
              return (*static_cast<const F*>(object))(std::forward<Args>(args)...);
          }) {}

    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

  private:
    const void* object_;
    R (*call_)(const void*, Args...);
};

}  // namespace Iterative

#endif
