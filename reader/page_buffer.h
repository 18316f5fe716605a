// Big blocks of memory straight from the system, in huge pages where the system offers them.
#pragma once

#include <cstddef>
#include <memory>

// The input and the element slabs of a big file run to hundreds of megabytes; taking them from
// the system in huge pages saves a page fault for every four kilobytes touched. The bytes start
// out undefined.
class PageBuffer {
  public:
    PageBuffer() noexcept;
    explicit PageBuffer(std::size_t size);
    // A private copy-on-write map of `size` bytes of an open regular file: writing its bytes
    // changes only this copy. Empty when the system cannot map the file. The pages are made
    // ready from the front on, by a thread of their own where the system allows, so that the
    // caller can start on the first of them at once.
    static PageBuffer mapFile(int fd, std::size_t size);
    ~PageBuffer();
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    char* data() const { return bytes; }
    std::size_t size() const { return length; }

  private:
    struct Preparing;
    void release() noexcept;

    char* bytes = nullptr;
    std::size_t length = 0;
    bool mapped = false;
    std::unique_ptr<Preparing> preparing; // the thread making the mapped pages ready
};
