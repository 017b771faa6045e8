#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace tr {

// One stretch of address space reserved at once and taken by the system piece by piece as it is
// written. On Linux the pieces are 2 MiB huge pages where the system offers them: a day of
// samples is then a few dozen page-table entries rather than thousands, which matters where
// memory left alone for a second is slow to touch again (a virtual machine whose host ages its
// pages), as when the day view is drawn again. Pieces no longer needed are given back.
class PagedMemory {
public:
    static constexpr std::size_t kPieceBytes = std::size_t(2) << 20;

    // At least `bytes`, in whole pieces of `pieceBytes` (a multiple of the system's page size).
    PagedMemory(std::size_t bytes, std::size_t pieceBytes);
    ~PagedMemory();
    // Moved from, it holds nothing.
    PagedMemory(PagedMemory &&other) noexcept { swap(other); }
    PagedMemory &operator=(PagedMemory &&) = delete;

    unsigned char *data() const { return data_; }
    std::size_t bytes() const { return bytes_; }
    std::size_t pieceBytes() const { return pieceBytes_; }
    // Its contents are no longer needed: the system may take the memory back; it reads as zeros.
    void release(std::size_t piece);

private:
    void swap(PagedMemory &other) noexcept {
        std::swap(base_, other.base_);
        std::swap(mapped_, other.mapped_);
        std::swap(data_, other.data_);
        std::swap(bytes_, other.bytes_);
        std::swap(pieceBytes_, other.pieceBytes_);
    }

    void *base_ = nullptr;
    std::size_t mapped_ = 0;
    unsigned char *data_ = nullptr;
    std::size_t bytes_ = 0;
    std::size_t pieceBytes_ = kPieceBytes;
};

// A queue of at most `capacity` plain values in PagedMemory, used as a ring: values are added at
// the back and dropped at the front, and the pieces that hold none of the values any more are
// given back, so that what it occupies follows what it holds.
template <class T> class PagedRing {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit PagedRing(std::size_t capacity = 1, std::size_t pieceBytes = PagedMemory::kPieceBytes)
        : memory_(std::max<std::size_t>(capacity, 1) * sizeof(T), pieceBytes),
          capacity_(memory_.bytes() / sizeof(T)),
          used_(memory_.bytes() / memory_.pieceBytes(), false) {}

    // A ring moved from is empty, with room for nothing.
    PagedRing(PagedRing &&other) noexcept
        : memory_(std::move(other.memory_)), capacity_(std::exchange(other.capacity_, 0)),
          head_(std::exchange(other.head_, 0)), size_(std::exchange(other.size_, 0)),
          used_(std::move(other.used_)) {}

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t capacity() const { return capacity_; }

    T &operator[](std::size_t i) { return values()[slot(i)]; }
    const T &operator[](std::size_t i) const { return values()[slot(i)]; }
    T &front() { return (*this)[0]; }
    const T &front() const { return (*this)[0]; }
    T &back() { return (*this)[size_ - 1]; }
    const T &back() const { return (*this)[size_ - 1]; }

    // Adds at the back; full, the front value gives way.
    void push_back(const T &value) {
        if (size_ == capacity_)
            pop_front();
        const std::size_t s = slot(size_);
        std::memcpy(static_cast<void *>(values() + s), &value, sizeof(T));
        ++size_;
        const std::size_t piece = memory_.pieceBytes();
        used_[s * sizeof(T) / piece] = true;
        used_[((s + 1) * sizeof(T) - 1) / piece] = true;
    }
    void pop_front(std::size_t n = 1) {
        n = std::min(n, size_);
        if (n == 0)
            return;
        head_ = slot(n);
        size_ -= n;
        giveBack();
    }
    // Keeps the first n values.
    void truncate(std::size_t n) {
        size_ = std::min(n, size_);
        giveBack();
    }
    void clear() {
        size_ = 0;
        head_ = 0;
        giveBack();
    }
    // Pieces holding memory the system has given, for tests.
    std::size_t piecesInUse() const {
        std::size_t n = 0;
        for (bool u : used_)
            n += u;
        return n;
    }

private:
    T *values() const { return reinterpret_cast<T *>(memory_.data()); }
    std::size_t slot(std::size_t i) const {
        const std::size_t s = head_ + i;
        return s < capacity_ ? s : s - capacity_;
    }
    // Pieces that hold none of the values go back to the system.
    void giveBack() {
        const std::size_t piece = memory_.pieceBytes();
        // The values lie in one or two stretches of slots.
        const std::size_t end = head_ + size_;
        const std::size_t firstEnd = std::min(end, capacity_);
        const std::size_t wrapped = end > capacity_ ? end - capacity_ : 0;
        for (std::size_t p = 0; p < used_.size(); ++p) {
            if (!used_[p])
                continue;
            const std::size_t lo = p * piece, hi = lo + piece; // bytes of piece p
            const auto holds = [&](std::size_t from, std::size_t to) {
                return from < to && from * sizeof(T) < hi && to * sizeof(T) > lo;
            };
            if (holds(head_, firstEnd) || holds(0, wrapped))
                continue;
            memory_.release(p);
            used_[p] = false;
        }
    }

    PagedMemory memory_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::vector<bool> used_;
};

} // namespace tr
