#include "ui/runloop/object_lock.h"

#include <cstddef>
#include <memory>
#include <unordered_map>

namespace ui::detail {

namespace {

struct Entry {
    std::recursive_mutex mutex;
    std::size_t users = 0; // threads holding or waiting for `mutex`; guarded by the table's mutex
};

struct Table {
    std::mutex mutex;
    std::unordered_map<const void*, std::unique_ptr<Entry>> entries;
};

Table& table() {
    // Never destroyed, so that synchronized() stays usable from static destructors and exiting threads.
    static Table* const instance = new Table();
    return *instance;
}

// Drops one use of the entry of `object`, freeing it when it was the last.
void release(const void* object, Entry* entry) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (--entry->users == 0) {
        t.entries.erase(object);
    }
}

} // namespace

AddressLock::AddressLock(const void* object) : object_(object) {
    if (object == nullptr) {
        return;
    }
    Entry* entry = nullptr;
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        std::unique_ptr<Entry>& slot = t.entries[object];
        if (!slot) {
            slot = std::make_unique<Entry>();
        }
        ++slot->users;
        entry = slot.get();
    }
    // Taken outside the table lock: waiting for one object must not block the others.
    try {
        entry->mutex.lock();
    } catch (...) {
        release(object, entry);
        throw;
    }
    entry_ = entry;
}

AddressLock::~AddressLock() {
    if (entry_ == nullptr) {
        return;
    }
    auto* entry = static_cast<Entry*>(entry_);
    entry->mutex.unlock();
    release(object_, entry);
}

} // namespace ui::detail
