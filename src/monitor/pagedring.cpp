#include "monitor/pagedring.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace tr {

PagedMemory::PagedMemory(std::size_t bytes, std::size_t pieceBytes) : pieceBytes_(pieceBytes) {
    bytes_ = (bytes + pieceBytes - 1) / pieceBytes * pieceBytes;
#ifdef Q_OS_LINUX
    // One piece more than needed, so that the pieces can start on a multiple of their size, as
    // a huge page must. Untouched, the reservation costs no memory.
    mapped_ = bytes_ + pieceBytes;
    base_ = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base_ == MAP_FAILED) {
        base_ = nullptr;
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(base_);
    data_ = reinterpret_cast<unsigned char *>((start + pieceBytes - 1) / pieceBytes * pieceBytes);
    // Where the system does not do huge pages this changes nothing.
    madvise(data_, bytes_, MADV_HUGEPAGE);
#else
    // Elsewhere plain memory: the system commits its pages as they are first written.
    base_ = std::malloc(bytes_);
    if (!base_)
        throw std::bad_alloc();
    data_ = static_cast<unsigned char *>(base_);
#endif
}

PagedMemory::~PagedMemory() {
    if (!base_)
        return;
#ifdef Q_OS_LINUX
    munmap(base_, mapped_);
#else
    std::free(base_);
#endif
}

void PagedMemory::release(std::size_t piece) {
#ifdef Q_OS_LINUX
    madvise(data_ + piece * pieceBytes_, pieceBytes_, MADV_DONTNEED);
#else
    Q_UNUSED(piece);
#endif
}

} // namespace tr
