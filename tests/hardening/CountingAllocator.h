#pragma once

#include <cstddef>
#include <functional>

// The test program replaces the C allocator, so every byte the library, the C++ runtime and
// ICU take from the heap is counted, whether it comes through operator new or the host's
// memory pool.
namespace CountingAllocator {

// Bytes held right now.
std::size_t Current() noexcept;

// The most the heap held at once while `work` ran, above what it held when `work` began.
std::size_t PeakDuring(const std::function<void()>& work);

} // namespace CountingAllocator
