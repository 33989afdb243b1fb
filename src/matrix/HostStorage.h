#ifndef KYRA_MATRIX_HOSTSTORAGE_H
#define KYRA_MATRIX_HOSTSTORAGE_H

// Storage of the library's own host arrays (work vectors, converted
// matrices). Large blocks are aligned to and advised for transparent huge
// pages: the streaming kernels touch a new 4 KiB page every few hundred
// elements per stream, and the page walks then cost more than the transfers.

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace Iterative {

// Blocks from this size on go to huge pages; smaller ones to operator new.
constexpr std::size_t kHugePageThresholdBytes = std::size_t(4) << 20;

void* allocateHostBlock(std::size_t bytes);
// Large blocks are kept for reuse after their release, within a limit (see
// HostStorage.cpp), until releaseCachedHostBlocks hands them back.
void releaseHostBlock(void* block, std::size_t bytes);
void releaseCachedHostBlocks();

template <typename T>
class HostStorageAllocator {
  public:
    using value_type = T;

    HostStorageAllocator() = default;
    template <typename U>
    HostStorageAllocator(const HostStorageAllocator<U>&) {}  // NOLINT: rebinding converts implicitly

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(allocateHostBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) { releaseHostBlock(p, n * sizeof(T)); }

    // Sizing an array leaves plain elements unwritten: their owners write
    // them in parallel (see ParallelArrays.h), which spreads the first-touch
    // page faults over all cores instead of taking them on one.
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible<U>::value) {
        if constexpr (!std::is_trivially_copyable<U>::value) ::new (static_cast<void*>(p)) U();
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const HostStorageAllocator&, const HostStorageAllocator&) { return true; }
    friend bool operator!=(const HostStorageAllocator&, const HostStorageAllocator&) { return false; }
};

// Sized construction leaves the elements unwritten (see construct above).
template <typename T>
using HostArray = std::vector<T, HostStorageAllocator<T>>;

}  // namespace Iterative

#endif
