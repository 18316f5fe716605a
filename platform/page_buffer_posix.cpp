// Big blocks of memory straight from the system, in huge pages where the system offers them.
#include "platform/page_buffer.h"

#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

// Below this a block comes from the ordinary heap: it would not fill a huge page anyway.
constexpr std::size_t smallestMapped = std::size_t{1} << 21;

char* mapPages(std::size_t size) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(pages, size, MADV_HUGEPAGE); // only advice: without it the pages are just smaller
#endif
    return static_cast<char*>(pages);
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
        munmap(bytes, length);
    } else {
        ::operator delete(bytes);
    }
    bytes = nullptr;
    length = 0;
    mapped = false;
}
