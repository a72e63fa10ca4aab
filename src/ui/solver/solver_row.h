#pragma once

// Building blocks of the solver: symbols, sparse rows and symbolic (lexicographic) weights.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace ui::detail {

using Sym = std::uint32_t;
inline constexpr Sym kNoSym = UINT32_MAX;
inline constexpr std::uint32_t kNone = UINT32_MAX;

// Coefficients smaller than this are treated as zero: they are what is left of a cancellation.
inline constexpr double kEpsilon = 1.0e-8;
inline bool nearZero(double v) {
    return std::fabs(v) < kEpsilon;
}

enum class SymKind : std::uint8_t {
    external, // a user variable: unrestricted in sign
    slack,    // an inequality's slack: >= 0
    error,    // a preference's violation: >= 0, weighted in the objective
    dummy,    // marks a required equality: always 0, never enters the basis
};

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

// An open-addressing map from symbols to positions, the index of a row that grew large: eight bytes a
// slot, no allocation per entry.
class SymIndex {
public:
    explicit SymIndex(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity * 3 < expected * 4)
            capacity *= 2;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }

    std::uint32_t find(Sym s) const {
        for (std::size_t i = hash(s) & mask_;; i = (i + 1) & mask_) {
            if (slots_[i].sym == s)
                return slots_[i].pos;
            if (slots_[i].sym == kNoSym)
                return kNone;
        }
    }

    void set(Sym s, std::uint32_t pos) {
        if ((size_ + 1) * 4 > slots_.size() * 3)
            grow();
        std::size_t i = hash(s) & mask_;
        for (; slots_[i].sym != kNoSym; i = (i + 1) & mask_) {
            if (slots_[i].sym == s) {
                slots_[i].pos = pos;
                return;
            }
        }
        slots_[i] = Slot{s, pos};
        ++size_;
    }

    void erase(Sym s) {
        std::size_t i = hash(s) & mask_;
        while (slots_[i].sym != s) {
            if (slots_[i].sym == kNoSym)
                return;
            i = (i + 1) & mask_;
        }
        // Backward-shift deletion, as in IdMap below: no tombstones.
        for (std::size_t j = (i + 1) & mask_; slots_[j].sym != kNoSym; j = (j + 1) & mask_) {
            const std::size_t ideal = hash(slots_[j].sym) & mask_;
            if (((j - ideal) & mask_) >= ((j - i) & mask_)) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = Slot{};
        --size_;
    }

private:
    struct Slot {
        Sym sym = kNoSym;
        std::uint32_t pos = 0;
    };

    static std::size_t hash(Sym s) { return static_cast<std::size_t>((s * 0x9E3779B97F4A7C15ULL) >> 32); }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        size_ = 0;
        for (const Slot& slot : old)
            if (slot.sym != kNoSym)
                set(slot.sym, slot.pos);
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
};

// A sparse linear row: constant + sum(coefficient * symbol). Small rows (the common case in layouts:
// two to five cells) are searched linearly; a row that grows large gets a hash index so that
// substituting into it stays proportional to the substituted row, not to its own size.
class Row {
public:
    struct Cell {
        Sym sym;
        double coeff;
    };

    double constant = 0.0;

    Row() = default;
    explicit Row(double c) : constant(c) {}
    Row(const Row& other) : constant(other.constant), cells_(other.cells_) {}
    Row& operator=(const Row& other) {
        if (this != &other) {
            constant = other.constant;
            cells_ = other.cells_;
            index_.reset();
        }
        return *this;
    }
    Row(Row&&) noexcept = default;
    Row& operator=(Row&&) noexcept = default;

    using Cells = SmallVec<Cell, 4>;
    const Cells& cells() const { return cells_; }
    std::size_t size() const { return cells_.size(); }
    bool empty() const { return cells_.empty(); }
    // Room for n cells, so that a row built cell by cell allocates once.
    void reserve(std::size_t n) { cells_.reserve(n); }

    double coefficient(Sym s) const {
        const std::size_t i = find(s);
        return i == kNone ? 0.0 : cells_[i].coeff;
    }
    bool contains(Sym s) const { return find(s) != kNone; }

    // Adds k to the coefficient of s; a cell that cancels out is dropped. Returns true when the row did
    // not contain s before and does now.
    bool add(Sym s, double k) {
        const std::size_t i = find(s);
        if (i == kNone) {
            if (nearZero(k))
                return false;
            if (index_)
                index_->set(s, static_cast<std::uint32_t>(cells_.size()));
            cells_.push_back({s, k});
            return true;
        }
        const double v = cells_[i].coeff + k;
        if (nearZero(v))
            eraseAt(i);
        else
            cells_[i].coeff = v;
        return false;
    }

    void remove(Sym s) {
        const std::size_t i = find(s);
        if (i != kNone)
            eraseAt(i);
    }

    void scale(double k) {
        constant *= k;
        for (Cell& c : cells_)
            c.coeff *= k;
    }

    // The row stands for 0 = constant + sum; rewrite it as s = ... (s leaves the cells).
    void solveFor(Sym s) {
        const double a = coefficient(s);
        remove(s);
        scale(-1.0 / a);
    }

    // The row stands for lhs = constant + sum; rewrite it as rhs = ... (lhs joins the cells).
    void solveFor(Sym lhs, Sym rhs) {
        add(lhs, -1.0);
        solveFor(rhs);
    }

private:
    static constexpr std::size_t kIndexThreshold = 24;

    std::size_t find(Sym s) const {
        if (cells_.size() <= kIndexThreshold) {
            for (std::size_t i = 0; i < cells_.size(); ++i)
                if (cells_[i].sym == s)
                    return i;
            return kNone;
        }
        if (!index_) {
            index_ = std::make_unique<SymIndex>(cells_.size() * 2);
            for (std::size_t i = 0; i < cells_.size(); ++i)
                index_->set(cells_[i].sym, static_cast<std::uint32_t>(i));
        }
        return index_->find(s);
    }

    void eraseAt(std::size_t i) {
        if (index_)
            index_->erase(cells_[i].sym);
        if (i + 1 != cells_.size()) {
            cells_[i] = cells_.back();
            if (index_)
                index_->set(cells_[i].sym, static_cast<std::uint32_t>(i));
        }
        cells_.pop_back();
    }

    Cells cells_;
    mutable std::unique_ptr<SymIndex> index_;
};

// A weight that compares lexicographically by priority: any amount at priority 999 outweighs every
// amount at 750 and below. Stored as (priority, amount) levels, highest priority first. Nearly every
// weight in a layout carries one or two priorities, so two levels live inline and only more spill to the
// heap.
class SymbolicWeight {
public:
    struct Level {
        float priority;
        double amount;
    };

    SymbolicWeight() = default;
    SymbolicWeight(const SymbolicWeight& o) : inline_(o.inline_), size_(o.size_) {
        if (o.spill_)
            spill_ = std::make_unique<std::vector<Level>>(*o.spill_);
    }
    SymbolicWeight& operator=(const SymbolicWeight& o) {
        if (this != &o) {
            inline_ = o.inline_;
            size_ = o.size_;
            spill_ = o.spill_ ? std::make_unique<std::vector<Level>>(*o.spill_) : nullptr;
        }
        return *this;
    }
    SymbolicWeight(SymbolicWeight&& o) noexcept = default;
    SymbolicWeight& operator=(SymbolicWeight&& o) noexcept = default;

    bool isZero() const { return size() == 0; }
    std::size_t size() const { return spill_ ? spill_->size() : size_; }
    const Level& operator[](std::size_t i) const { return spill_ ? (*spill_)[i] : inline_[i]; }

    // -1, 0 or 1 by the highest priority whose amount is not zero.
    int sign() const {
        for (std::size_t i = 0; i < size(); ++i) {
            const double a = (*this)[i].amount;
            if (a < -kEpsilon)
                return -1;
            if (a > kEpsilon)
                return 1;
        }
        return 0;
    }

    void add(float priority, double amount) {
        const std::size_t n = size();
        std::size_t i = 0;
        while (i < n && (*this)[i].priority > priority)
            ++i;
        if (i < n && (*this)[i].priority == priority) {
            Level& l = at(i);
            l.amount += amount;
            if (nearZero(l.amount))
                eraseAt(i);
        } else if (!nearZero(amount)) {
            insertAt(i, Level{priority, amount});
        }
    }

    void addScaled(const SymbolicWeight& w, double k) {
        for (std::size_t i = 0; i < w.size(); ++i)
            add(w[i].priority, w[i].amount * k);
    }

    void clear() {
        size_ = 0;
        spill_.reset();
    }

    // Compares a / ka with b / kb (ka, kb > 0) lexicographically.
    static int compareRatios(const SymbolicWeight& a, double ka, const SymbolicWeight& b, double kb) {
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < a.size() || j < b.size()) {
            double va = 0.0;
            double vb = 0.0;
            if (j >= b.size() || (i < a.size() && a[i].priority > b[j].priority)) {
                va = a[i++].amount / ka;
            } else if (i >= a.size() || b[j].priority > a[i].priority) {
                vb = b[j++].amount / kb;
            } else {
                va = a[i++].amount / ka;
                vb = b[j++].amount / kb;
            }
            const double d = va - vb;
            if (d < -kEpsilon)
                return -1;
            if (d > kEpsilon)
                return 1;
        }
        return 0;
    }

private:
    Level& at(std::size_t i) { return spill_ ? (*spill_)[i] : inline_[i]; }

    void insertAt(std::size_t i, Level l) {
        if (!spill_ && size_ < inline_.size()) {
            for (std::size_t k = size_; k > i; --k)
                inline_[k] = inline_[k - 1];
            inline_[i] = l;
            ++size_;
            return;
        }
        if (!spill_) {
            spill_ = std::make_unique<std::vector<Level>>(inline_.begin(), inline_.begin() + size_);
            size_ = 0;
        }
        spill_->insert(spill_->begin() + static_cast<std::ptrdiff_t>(i), l);
    }

    void eraseAt(std::size_t i) {
        if (spill_) {
            spill_->erase(spill_->begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
        for (std::size_t k = i + 1; k < size_; ++k)
            inline_[k - 1] = inline_[k];
        --size_;
    }

    std::array<Level, 2> inline_{};
    std::uint8_t size_ = 0;
    std::unique_ptr<std::vector<Level>> spill_;
};

} // namespace ui::detail

namespace ui::detail {

// An open-addressing hash map from object identities (non-zero addresses) to 32-bit values. The solver
// looks up a symbol for every term and a record for every constraint; a node-based map would cost an
// allocation and a cache miss each time.
class IdMap {
public:
    std::size_t size() const { return size_; }

    const std::uint32_t* find(std::uintptr_t key) const {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = hash(key) & mask_;; i = (i + 1) & mask_) {
            if (slots_[i].key == key)
                return &slots_[i].value;
            if (slots_[i].key == 0)
                return nullptr;
        }
    }

    // The value stored for key, inserting `value` first if the key is new.
    std::pair<std::uint32_t*, bool> tryEmplace(std::uintptr_t key, std::uint32_t value) {
        if ((size_ + 1) * 4 > slots_.size() * 3)
            grow();
        std::size_t i = hash(key) & mask_;
        for (; slots_[i].key != 0; i = (i + 1) & mask_)
            if (slots_[i].key == key)
                return {&slots_[i].value, false};
        slots_[i] = Slot{key, value};
        ++size_;
        return {&slots_[i].value, true};
    }

    bool erase(std::uintptr_t key) {
        if (slots_.empty())
            return false;
        std::size_t i = hash(key) & mask_;
        while (slots_[i].key != key) {
            if (slots_[i].key == 0)
                return false;
            i = (i + 1) & mask_;
        }
        // Backward-shift deletion: pull later entries of the probe run into the hole, so that lookups
        // never need tombstones.
        for (std::size_t j = (i + 1) & mask_; slots_[j].key != 0; j = (j + 1) & mask_) {
            const std::size_t ideal = hash(slots_[j].key) & mask_;
            if (((j - ideal) & mask_) >= ((j - i) & mask_)) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = Slot{};
        --size_;
        return true;
    }

    void clear() {
        slots_.clear();
        size_ = 0;
        mask_ = 0;
    }

private:
    struct Slot {
        std::uintptr_t key = 0;
        std::uint32_t value = 0;
    };

    static std::size_t hash(std::uintptr_t k) {
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        k ^= k >> 33;
        return static_cast<std::size_t>(k);
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        size_ = 0;
        for (const Slot& s : old)
            if (s.key != 0)
                tryEmplace(s.key, s.value);
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
};

} // namespace ui::detail
