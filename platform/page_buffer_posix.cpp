// Pages straight from the system, in huge pages where it offers them: the POSIX calls.
#include "platform/page_buffer.h"

#include <sys/mman.h>

char* PageBuffer::systemPages(std::size_t size) noexcept {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(pages, size, MADV_HUGEPAGE); // only advice: without it the pages are just smaller
#endif
    return static_cast<char*>(pages);
}

void PageBuffer::returnSystemPages(char* pages, std::size_t size) noexcept { munmap(pages, size); }
