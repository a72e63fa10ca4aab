#pragma once

// SymbolicWeight: the objective's weights, which rank priorities strictly instead of adding them up.

#include "ui/solver/symbol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ui::detail {

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
