#pragma once

// Non-owning references to shared objects, and the walk over a list of them that multicast delegates
// use.

#include <concepts>
#include <memory>
#include <utility>
#include <vector>

namespace ui {

// A box around one std::weak_ptr. Lists of observers hold these through shared_ptrs, so an entry can be
// identified and removed by pointer even after the object it refers to has gone away.
template <class T>
struct Weak {
    std::weak_ptr<T> value;

    Weak() = default;
    template <class U>
    requires std::convertible_to<U*, T*>
    explicit Weak(const std::shared_ptr<U>& object) : value(object) {}
    explicit Weak(std::weak_ptr<T> object) : value(std::move(object)) {}

    // The object if it is still alive, otherwise null.
    std::shared_ptr<T> lock() const { return value.lock(); }
    bool expired() const { return value.expired(); }
};

// Calls `f(T&)` for every entry whose object is still alive, front to back, keeping each object alive
// for the length of its call. Null entries and expired ones are skipped and left in place; the list is
// never modified. The walk goes over a copy of the list taken at the start, so `f` may add or remove
// entries of the original list: those added are not visited by this walk, and those removed are still
// visited if their object is alive.
template <class T, class F>
void forEachLive(const std::vector<std::shared_ptr<Weak<T>>>& entries, F f) {
    // The copy is deliberate: it is what keeps the walk valid while `f` changes or destroys `entries`.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    const std::vector<std::shared_ptr<Weak<T>>> snapshot = entries;
    for (const std::shared_ptr<Weak<T>>& entry : snapshot) {
        if (!entry) {
            continue;
        }
        if (const std::shared_ptr<T> object = entry->lock()) {
            f(*object);
        }
    }
}

} // namespace ui
