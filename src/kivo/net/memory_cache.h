#pragma once

// Decoded pictures by resolved URL, bounded by their decoded size (width * height * 4 bytes each), the
// least recently used leaving first. Not synchronised: the provider calls it under its own lock.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ui {
class Image;
}

namespace kivo::net::detail {

class MemoryCache {
public:
    explicit MemoryCache(std::size_t capacityBytes) : capacity_(capacityBytes) {}

    // The picture for `key`, now the most recently used; null when there is none.
    std::shared_ptr<ui::Image> find(const std::string& key);

    // Keeps `image` under `key` (replacing what was there) and evicts the least recently used pictures
    // until the total fits. A picture larger than the whole capacity is not kept. Returns the pictures
    // that left, so that the caller can release them outside its lock.
    std::vector<std::shared_ptr<ui::Image>> insert(const std::string& key, std::shared_ptr<ui::Image> image);

    std::vector<std::shared_ptr<ui::Image>> clear();

    std::size_t bytes() const { return bytes_; }
    std::size_t count() const { return entries_.size(); }
    std::size_t capacity() const { return capacity_; }

    static std::size_t costOf(const ui::Image& image);

private:
    struct Entry {
        std::string key;
        std::shared_ptr<ui::Image> image;
        std::size_t cost = 0;
    };
    using Entries = std::list<Entry>;

    std::size_t capacity_;
    std::size_t bytes_ = 0;
    Entries entries_; // most recently used first
    std::unordered_map<std::string, Entries::iterator> index_;
};

} // namespace kivo::net::detail
