#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace ui {

// A recursive lock meant to be a member of the object it guards, the equivalent of @synchronized(self).
// It satisfies Lockable, so std::lock_guard / std::scoped_lock work with it; synchronized() below is the
// usual way to use it.
//
// Copying an object must not copy its lock state, so a copied or assigned ObjectLock is a fresh, unlocked
// lock: classes holding one stay copyable.
class ObjectLock {
public:
    ObjectLock() = default;
    ObjectLock(const ObjectLock&) noexcept {}
    ObjectLock& operator=(const ObjectLock&) noexcept { return *this; }

    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

// Calls `f` while holding `lock` and returns what it returns. The lock is released when `f` returns or
// throws. The same thread may nest synchronized() calls on the same lock.
template <class F>
decltype(auto) synchronized(ObjectLock& lock, F&& f) {
    std::lock_guard guard(lock);
    return std::invoke(std::forward<F>(f));
}

namespace detail {

// Holds the recursive lock that synchronized(const void*, F) associates with an address.
class AddressLock {
public:
    explicit AddressLock(const void* object);
    ~AddressLock();
    AddressLock(const AddressLock&) = delete;
    AddressLock& operator=(const AddressLock&) = delete;

private:
    const void* object_;
    void* entry_ = nullptr;
};

} // namespace detail

// Like synchronized(ObjectLock&, F), for objects without an ObjectLock member: the lock is looked up by the
// object's address in a process-wide table. Table entries exist only while some thread holds or waits for
// them, so an address reused by a later object starts with a fresh lock and the table does not grow.
// A null object locks nothing (as @synchronized(nil) does) and just calls `f`. Every call goes through one
// table-wide mutex, so prefer an ObjectLock member where the class can have one.
template <class F>
decltype(auto) synchronized(const void* object, F&& f) {
    detail::AddressLock guard(object);
    return std::invoke(std::forward<F>(f));
}

} // namespace ui
