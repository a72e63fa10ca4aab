#include "kivo/net/memory_cache.h"

#include <ui/graphics/image.h>

namespace kivo::net::detail {

std::size_t MemoryCache::costOf(const ui::Image& image) {
    return static_cast<std::size_t>(image.pixelWidth()) * static_cast<std::size_t>(image.pixelHeight()) * 4;
}

std::shared_ptr<ui::Image> MemoryCache::find(const std::string& key) {
    const auto found = index_.find(key);
    if (found == index_.end()) {
        return nullptr;
    }
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->image;
}

std::vector<std::shared_ptr<ui::Image>> MemoryCache::insert(const std::string& key,
                                                            std::shared_ptr<ui::Image> image) {
    std::vector<std::shared_ptr<ui::Image>> released;
    if (!image) {
        return released;
    }
    if (const auto found = index_.find(key); found != index_.end()) {
        bytes_ -= found->second->cost;
        released.push_back(std::move(found->second->image));
        entries_.erase(found->second);
        index_.erase(found);
    }
    const std::size_t cost = costOf(*image);
    if (cost > capacity_) {
        released.push_back(std::move(image));
        return released;
    }
    while (!entries_.empty() && bytes_ + cost > capacity_) {
        Entry& last = entries_.back();
        bytes_ -= last.cost;
        released.push_back(std::move(last.image));
        index_.erase(last.key);
        entries_.pop_back();
    }
    entries_.push_front(Entry{key, std::move(image), cost});
    index_.emplace(key, entries_.begin());
    bytes_ += cost;
    return released;
}

std::vector<std::shared_ptr<ui::Image>> MemoryCache::clear() {
    std::vector<std::shared_ptr<ui::Image>> released;
    released.reserve(entries_.size());
    for (Entry& entry : entries_) {
        released.push_back(std::move(entry.image));
    }
    entries_.clear();
    index_.clear();
    bytes_ = 0;
    return released;
}

} // namespace kivo::net::detail
