#pragma once

// A sequence that grows at the back without ever moving what it holds, for the solver's and the layout
// engine's per-symbol, per-view and per-constraint tables, which are indexed far more often than they
// grow. Elements sit in chunks of a power-of-two count, so finding one is a shift, a mask and one load of
// a chunk pointer from a small, always-warm array; std::deque needs a division and a call for the same
// (and keeps a few elements per node: a large layout's table ends up scattered over thousands of small
// allocations).

#include <bit>
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace ui::detail {

template <class T>
class ChunkedArray {
public:
    // About 8 KiB a chunk: few enough chunks for a large layout, little waste for a small one.
    static constexpr std::size_t kPerChunk =
        std::bit_floor(sizeof(T) >= 8192 ? std::size_t{1} : std::size_t{8192} / sizeof(T));
    static constexpr unsigned kShift = static_cast<unsigned>(std::countr_zero(kPerChunk));
    static constexpr std::size_t kMask = kPerChunk - 1;
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

    ChunkedArray() = default;
    ChunkedArray(const ChunkedArray&) = delete;
    ChunkedArray& operator=(const ChunkedArray&) = delete;
    ChunkedArray(ChunkedArray&& other) noexcept
        : chunks_(std::move(other.chunks_)), size_(std::exchange(other.size_, 0)) {}
    ChunkedArray& operator=(ChunkedArray&& other) noexcept {
        if (this != &other) {
            release();
            chunks_ = std::move(other.chunks_);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~ChunkedArray() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return chunks_[i >> kShift][i & kMask]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & kMask]; }

    template <class... Args>
    T& emplace_back(Args&&... args) {
        const std::size_t chunk = size_ >> kShift;
        if (chunk == chunks_.size()) {
            chunks_.reserve(chunks_.size() + 1);
            chunks_.push_back(static_cast<T*>(::operator new(kPerChunk * sizeof(T))));
        }
        T* element =
            ::new (static_cast<void*>(chunks_[chunk] + (size_ & kMask))) T(std::forward<Args>(args)...);
        ++size_;
        return *element;
    }
    void push_back(T value) { emplace_back(std::move(value)); }

    // Destroys the elements and keeps the chunks for what is added next.
    void clear() {
        while (size_ > 0) {
            --size_;
            (*this)[size_].~T();
        }
    }

    template <class Element>
    class Iterator {
    public:
        using Owner = std::conditional_t<std::is_const_v<Element>, const ChunkedArray, ChunkedArray>;
        Iterator(Owner* owner, std::size_t index) : owner_(owner), index_(index) {}
        Element& operator*() const { return (*owner_)[index_]; }
        Element* operator->() const { return &(*owner_)[index_]; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        Owner* owner_;
        std::size_t index_;
    };
    Iterator<T> begin() { return {this, 0}; }
    Iterator<T> end() { return {this, size_}; }
    Iterator<const T> begin() const { return {this, 0}; }
    Iterator<const T> end() const { return {this, size_}; }

private:
    void release() {
        clear();
        for (T* chunk : chunks_)
            ::operator delete(chunk);
        chunks_.clear();
    }

    std::vector<T*> chunks_;
    std::size_t size_ = 0;
};

} // namespace ui::detail
