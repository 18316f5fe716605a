// Big blocks of memory straight from the system, in huge pages where the system offers them.
#include "platform/page_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Below this a block comes from the ordinary heap: it would not fill a huge page anyway.
constexpr std::size_t smallestMapped = std::size_t{1} << 21;

} // namespace

PageBuffer::PageBuffer(std::size_t size) : length(size) {
    if (size >= smallestMapped) bytes = systemPages(size);
    mapped = bytes != nullptr;
    if (!mapped && size > 0) bytes = static_cast<char*>(::operator new(size));
}

PageBuffer::~PageBuffer() { release(); }

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr)), length(std::exchange(other.length, 0)),
      mapped(std::exchange(other.mapped, false)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        release();
        bytes = std::exchange(other.bytes, nullptr);
        length = std::exchange(other.length, 0);
        mapped = std::exchange(other.mapped, false);
    }
    return *this;
}

void PageBuffer::grow(std::size_t kept) {
    PageBuffer bigger(std::max<std::size_t>(65536, 2 * length));
    if (kept > 0) std::memcpy(bigger.bytes, bytes, kept); // an empty buffer has no bytes at all
    *this = std::move(bigger);
}

void PageBuffer::release() noexcept {
    if (mapped) {
        returnSystemPages(bytes, length);
    } else {
        ::operator delete(bytes);
    }
    bytes = nullptr;
    length = 0;
    mapped = false;
}
