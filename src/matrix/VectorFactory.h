#ifndef KYRA_MATRIX_VECTORFACTORY_H
#define KYRA_MATRIX_VECTORFACTORY_H

// Makes any number of work vectors on a platform and keeps them alive until
// the factory is destroyed. Users must also include platform/Platform.h: the
// platform is only declared here so that this header does not depend on it.

#include <memory>
#include <vector>

#include "matrix/Vector.h"

namespace Iterative {

class Platform;

template <typename T>
class VectorFactory {
  public:
    explicit VectorFactory(const Platform& platform) : platform_(platform) {}
    VectorFactory(const VectorFactory&) = delete;
    VectorFactory& operator=(const VectorFactory&) = delete;

    // A new vector of n elements from the platform, owned by the factory.
    Vector<T>& operator()(int n) {
        vectors_.push_back(makeOn(platform_, n));
        return *vectors_.back();
    }

    std::size_t size() const { return vectors_.size(); }

  private:
    // A template so that Platform needs to be complete only where the
    // factory is used.
    template <typename P>
    static std::shared_ptr<Vector<T>> makeOn(const P& platform, int n) {
        return platform.makeVector(static_cast<T*>(nullptr), n);
    }

    const Platform& platform_;
    std::vector<std::shared_ptr<Vector<T>>> vectors_;
};

}  // namespace Iterative

#endif
