// Pages straight from the system: the Windows calls.
#include "platform/page_buffer.h"

#include <windows.h>

// Large pages need a privilege that ordinary accounts lack, so plain pages are asked for.
char* PageBuffer::systemPages(std::size_t size) noexcept {
    return static_cast<char*>(
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void PageBuffer::returnSystemPages(char* pages, std::size_t /*size*/) noexcept {
    VirtualFree(pages, 0, MEM_RELEASE);
}
