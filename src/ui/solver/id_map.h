#pragma once

// IdMap: the solver's table from the identity of a variable or constraint to its symbol or record.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

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
