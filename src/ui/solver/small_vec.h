#pragma once

// SmallVec: the inline-first vector that holds the cells of tableau rows and the columns of symbols.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

namespace ui::detail {

// A vector of trivially copyable values whose first N elements live inside the object. Rows of a layout
// have two to five cells and most symbols sit in one or two rows, so nearly every row and column of the
// solver fits inline: no allocation, and no pointer to chase while scanning. The inline elements and the
// pointer to spilled ones share their storage, so a vector is no larger than its inline elements plus
// eight bytes.
template <class T, std::size_t N>
class SmallVec {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(N > 0);

public:
    SmallVec() = default;
    SmallVec(const SmallVec& o) { append(o.begin(), o.end()); }
    SmallVec& operator=(const SmallVec& o) {
        if (this != &o) {
            clear();
            append(o.begin(), o.end());
        }
        return *this;
    }
    SmallVec(SmallVec&& o) noexcept { moveFrom(o); }
    SmallVec& operator=(SmallVec&& o) noexcept {
        if (this != &o) {
            release();
            moveFrom(o);
        }
        return *this;
    }
    ~SmallVec() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    T& back() { return data()[size_ - 1]; }

    void push_back(const T& v) {
        if (size_ == capacity_) {
            const T copy = v; // v may live in this vector
            reserve(std::size_t{capacity_} * 2);
            data()[size_++] = copy;
            return;
        }
        data()[size_++] = v;
    }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }
    void shrink(std::size_t n) { size_ = static_cast<std::uint32_t>(n); }

    void reserve(std::size_t n) {
        if (n <= capacity_)
            return;
        T* fresh = static_cast<T*>(::operator new(n * sizeof(T)));
        std::memcpy(static_cast<void*>(fresh), data(), size_ * sizeof(T));
        release();
        storage_.heap = fresh;
        capacity_ = static_cast<std::uint32_t>(n);
    }

private:
    bool onHeap() const { return capacity_ > N; }
    T* data() { return onHeap() ? storage_.heap : reinterpret_cast<T*>(storage_.inline_); }
    const T* data() const { return onHeap() ? storage_.heap : reinterpret_cast<const T*>(storage_.inline_); }

    void append(const T* first, const T* last) {
        reserve(size_ + static_cast<std::size_t>(last - first));
        std::memcpy(static_cast<void*>(data() + size_), first,
                    static_cast<std::size_t>(last - first) * sizeof(T));
        size_ += static_cast<std::uint32_t>(last - first);
    }
    void release() {
        if (onHeap())
            ::operator delete(storage_.heap);
        capacity_ = N;
    }
    void moveFrom(SmallVec& o) {
        size_ = o.size_;
        if (o.onHeap()) {
            storage_.heap = o.storage_.heap;
            capacity_ = o.capacity_;
            o.capacity_ = N;
        } else {
            std::memcpy(storage_.inline_, o.storage_.inline_, size_ * sizeof(T));
        }
        o.size_ = 0;
    }

    union Storage {
        alignas(T) unsigned char inline_[N * sizeof(T)];
        T* heap;
    } storage_;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = N;
};

} // namespace ui::detail
