// The few compiler built-ins the scanners use, with the same meaning under GCC, Clang and MSVC.
#pragma once

#include <cstdint>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

// SSE2 is there whenever the compiler says so, and always on x86-64, where MSVC does not say so.
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64) ||                                   \
    (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VQZ2XML_SSE2 1
#include <emmintrin.h>
#endif

// Every target Windows runs on is little-endian; elsewhere the compiler tells.
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_WIN32)
#define VQZ2XML_LITTLE_ENDIAN 1
#endif

// A function kept out of its callers, so that a rare slow path does not burden a fast one with
// its frame; and one always put into them.
#if defined(_MSC_VER) && !defined(__clang__)
#define VQZ2XML_NOINLINE __declspec(noinline)
#define VQZ2XML_ALWAYS_INLINE __forceinline
#else
#define VQZ2XML_NOINLINE __attribute__((noinline))
#define VQZ2XML_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

namespace compiler {

// The index of the lowest set bit; `bits` must not be zero.
inline unsigned lowestSetBit(std::uint32_t bits) {
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward(&index, bits);
    return static_cast<unsigned>(index);
#else
    return static_cast<unsigned>(__builtin_ctz(bits));
#endif
}

inline unsigned lowestSetBit(std::uint64_t bits) {
#if defined(_MSC_VER) && !defined(__clang__) && (defined(_M_X64) || defined(_M_ARM64))
    unsigned long index;
    _BitScanForward64(&index, bits);
    return static_cast<unsigned>(index);
#elif defined(_MSC_VER) && !defined(__clang__)
    const auto low = static_cast<std::uint32_t>(bits);
    return low != 0 ? lowestSetBit(low) : 32 + lowestSetBit(static_cast<std::uint32_t>(bits >> 32));
#else
    return static_cast<unsigned>(__builtin_ctzll(bits));
#endif
}

// The index of the highest set bit; `bits` must not be zero.
inline unsigned highestSetBit(std::uint64_t bits) {
#if defined(_MSC_VER) && !defined(__clang__) && (defined(_M_X64) || defined(_M_ARM64))
    unsigned long index;
    _BitScanReverse64(&index, bits);
    return static_cast<unsigned>(index);
#elif defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    const auto high = static_cast<unsigned long>(bits >> 32);
    if (high != 0) {
        _BitScanReverse(&index, high);
        return 32 + static_cast<unsigned>(index);
    }
    _BitScanReverse(&index, static_cast<unsigned long>(bits));
    return static_cast<unsigned>(index);
#else
    return 63 - static_cast<unsigned>(__builtin_clzll(bits));
#endif
}

// Asks for the cache line at `address` ahead of its use: only a hint, never a fault.
inline void prefetchToRead(const void* address) {
#if defined(_MSC_VER) && !defined(__clang__) && (defined(_M_X64) || defined(_M_IX86))
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#elif defined(_MSC_VER) && !defined(__clang__)
    (void)address;
#else
    __builtin_prefetch(address, 0);
#endif
}

inline void prefetchToWrite(const void* address) {
#if defined(_MSC_VER) && !defined(__clang__) && (defined(_M_X64) || defined(_M_IX86))
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#elif defined(_MSC_VER) && !defined(__clang__)
    (void)address;
#else
    __builtin_prefetch(address, 1);
#endif
}

} // namespace compiler
