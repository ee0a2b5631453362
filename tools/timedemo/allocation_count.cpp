// Replaces the global operator new to count the heap allocations that code
// linked into this executable makes. The sanitizers bring their own.

#include "frame_counters.h"

#include <cstdlib>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define UMBRAFALL_OWN_NEW 0
#endif
#endif
#if !defined(UMBRAFALL_OWN_NEW) && (defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__))
#define UMBRAFALL_OWN_NEW 0
#endif
#ifndef UMBRAFALL_OWN_NEW
#define UMBRAFALL_OWN_NEW 1
#endif

#if UMBRAFALL_OWN_NEW

extern "C" char __executable_start;
extern "C" char etext;

namespace {

[[maybe_unused]] const bool Counted = (ProgramAllocationsCounted = true);

inline void countFrom(const void* caller) {
    const char* at = static_cast<const char*>(caller);
    if (at >= &__executable_start && at < &etext) ProgramAllocations.fetch_add(1, std::memory_order_relaxed);
}

void* allocate(std::size_t size) {
    for (;;) {
        if (void* p = std::malloc(size ? size : 1)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* allocateAligned(std::size_t size, std::align_val_t align) {
    const std::size_t a = static_cast<std::size_t>(align);
    const std::size_t rounded = ((size ? size : 1) + a - 1) / a * a;
    for (;;) {
        if (void* p = std::aligned_alloc(a, rounded)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

// noinline keeps __builtin_return_address on the caller of operator new.
__attribute__((noinline)) void* operator new(std::size_t size) {
    countFrom(__builtin_return_address(0));
    return allocate(size);
}
__attribute__((noinline)) void* operator new[](std::size_t size) {
    countFrom(__builtin_return_address(0));
    return allocate(size);
}
__attribute__((noinline)) void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    countFrom(__builtin_return_address(0));
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
__attribute__((noinline)) void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    countFrom(__builtin_return_address(0));
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
__attribute__((noinline)) void* operator new(std::size_t size, std::align_val_t align) {
    countFrom(__builtin_return_address(0));
    return allocateAligned(size, align);
}
__attribute__((noinline)) void* operator new[](std::size_t size, std::align_val_t align) {
    countFrom(__builtin_return_address(0));
    return allocateAligned(size, align);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

#endif
