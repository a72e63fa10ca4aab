#pragma once

// Row: a sparse linear row of the tableau (and of a definition while it is built), with the hash index
// that a row gets once it grows large.

#include "ui/solver/small_vec.h"
#include "ui/solver/symbol.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace ui::detail {

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
        // Backward-shift deletion, as in IdMap: no tombstones.
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

} // namespace ui::detail
