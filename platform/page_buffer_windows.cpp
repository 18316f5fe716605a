// Big blocks of memory straight from the system, in huge pages where the system offers them.
#include "platform/page_buffer.h"

#include <new>
#include <utility>
#include <windows.h>

namespace {

// Below this a block comes from the ordinary heap: the system hands out whole pages only.
constexpr std::size_t smallestMapped = std::size_t{1} << 21;

// Large pages need a privilege that ordinary accounts lack, so plain pages are asked for.
char* mapPages(std::size_t size) {
    return static_cast<char*>(
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

} // namespace

PageBuffer::PageBuffer(std::size_t size) : length(size) {
    if (size >= smallestMapped) bytes = mapPages(size);
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

void PageBuffer::release() noexcept {
    if (mapped) {
        VirtualFree(bytes, 0, MEM_RELEASE);
    } else {
        ::operator delete(bytes);
    }
    bytes = nullptr;
    length = 0;
    mapped = false;
}
