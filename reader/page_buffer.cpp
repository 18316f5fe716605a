// Big blocks of memory straight from the system, in huge pages where the system offers them.
#include "reader/page_buffer.h"

#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace {

// Below this a block comes from the ordinary heap: it would not fill a huge page anyway.
constexpr std::size_t smallestMapped = std::size_t{1} << 21;

char* mapPages(std::size_t size) {
#if __has_include(<sys/mman.h>)
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(pages, size, MADV_HUGEPAGE); // only advice: without it the pages are just smaller
#endif
    return static_cast<char*>(pages);
#else
    (void)size;
    return nullptr;
#endif
}

void unmapPages(char* pages, std::size_t size) {
#if __has_include(<sys/mman.h>)
    munmap(pages, size);
#else
    (void)pages;
    (void)size;
#endif
}

// Pages made ready per step of the preparing thread, which looks between steps whether the map
// is still wanted.
constexpr std::size_t preparedStep = std::size_t{1} << 21;

} // namespace

struct PageBuffer::Preparing {
    std::atomic<bool> stop{false};
    std::thread thread;
};

PageBuffer::PageBuffer(std::size_t size) : length(size) {
    if (size >= smallestMapped) bytes = mapPages(size);
    mapped = bytes != nullptr;
    if (!mapped && size > 0) bytes = static_cast<char*>(::operator new(size));
}

PageBuffer PageBuffer::mapFile(int fd, std::size_t size) {
    PageBuffer buffer;
#if __has_include(<sys/mman.h>)
    // The pages are made ready (and copied) ahead rather than one fault at a time: texts with
    // brace codes are decoded in place all through the file, so most pages are copied anyway.
#ifdef MADV_POPULATE_WRITE
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (pages == MAP_FAILED) return buffer;
    buffer.bytes = static_cast<char*>(pages);
    buffer.length = size;
    buffer.mapped = true;
    try {
        auto preparing = std::make_unique<Preparing>();
        std::atomic<bool>& stop = preparing->stop;
        char* const first = buffer.bytes;
        preparing->thread = std::thread([first, size, &stop] {
            for (std::size_t at = 0; at < size && !stop.load(std::memory_order_relaxed);
                 at += preparedStep) {
                const std::size_t step = size - at < preparedStep ? size - at : preparedStep;
                // A system that does not know the advice leaves the pages to fault one by one.
                if (madvise(first + at, step, MADV_POPULATE_WRITE) != 0) return;
            }
        });
        buffer.preparing = std::move(preparing);
    } catch (const std::exception&) {
        // no thread to be had: the pages fault in as they are read
    }
#else
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;
#endif
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, fd, 0);
    if (pages == MAP_FAILED) return buffer;
    buffer.bytes = static_cast<char*>(pages);
    buffer.length = size;
    buffer.mapped = true;
#endif
#else
    (void)fd;
    (void)size;
#endif
    return buffer;
}

PageBuffer::PageBuffer() noexcept = default;

PageBuffer::~PageBuffer() { release(); }

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr)), length(std::exchange(other.length, 0)),
      mapped(std::exchange(other.mapped, false)), preparing(std::move(other.preparing)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        release();
        bytes = std::exchange(other.bytes, nullptr);
        length = std::exchange(other.length, 0);
        mapped = std::exchange(other.mapped, false);
        preparing = std::move(other.preparing);
    }
    return *this;
}

void PageBuffer::release() noexcept {
    if (preparing) {
        preparing->stop = true;
        preparing->thread.join();
        preparing.reset();
    }
    if (mapped) {
        unmapPages(bytes, length);
    } else {
        ::operator delete(bytes);
    }
    bytes = nullptr;
    length = 0;
    mapped = false;
}
