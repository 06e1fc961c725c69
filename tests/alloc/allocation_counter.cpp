// The allocation count of the test program. Under AddressSanitizer the
// sanitizer owns malloc and operator new, and reports each allocation to a
// hook; otherwise this file replaces malloc, its kin and operator new with
// counting forwarders to the C library's allocator.
#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
std::size_t allocations = 0;

void Count() {
    if (counting) {
        ++allocations;
    }
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
#define QUENLOW_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENLOW_SANITIZED_HEAP 1
#endif
#endif

#ifdef QUENLOW_SANITIZED_HEAP

#include <sanitizer/allocator_interface.h>

namespace {

void OnAllocation(const volatile void*, std::size_t) {
    Count();
}
void OnFree(const volatile void*) {}

} // namespace

void allocation_counter::Start() {
    static const int installed = __sanitizer_install_malloc_and_free_hooks(OnAllocation, OnFree);
    (void)installed;
    allocations = 0;
    counting = true;
}

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) noexcept {
    Count();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
    Count();
    return __libc_realloc(block, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
    Count();
    *block = __libc_memalign(alignment, size);
    return *block == nullptr ? 12 /* ENOMEM */ : 0;
}
void free(void* block) noexcept {
    __libc_free(block);
}
} // extern "C"

void* operator new(std::size_t size) {
    Count();
    void* block = __libc_malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* block) noexcept {
    __libc_free(block);
}
void operator delete[](void* block) noexcept {
    __libc_free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    __libc_free(block);
}

void allocation_counter::Start() {
    allocations = 0;
    counting = true;
}

#endif

std::size_t allocation_counter::Stop() {
    counting = false;
    return allocations;
}
