#pragma once

#include "core/osfile.h"

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

namespace tamarisk::core {

/// Memory for vectors that grow large, from os::allocateLarge: on a machine where each new 4 KiB page
/// costs a fault of its own, a vector of a few hundred kilobytes in large pages costs one.
template <typename T>
struct LargePageAllocator {
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>& /*other*/) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        std::size_t capacity = 0;
        return static_cast<T*>(static_cast<void*>(os::allocateLarge(n * sizeof(T), capacity)));
    }
    void deallocate(T* data, std::size_t /*n*/) noexcept { std::free(data); }

    template <typename U>
    bool operator==(const LargePageAllocator<U>& /*other*/) const noexcept {
        return true;
    }
};

template <typename T>
using LargeVector = std::vector<T, LargePageAllocator<T>>;

} // namespace tamarisk::core
