#include "kivo/fonts/font_repository.h"

#include <ui/runloop/dispatch_group.h>
#include <ui/runloop/dispatch_queue.h>

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace kivo {

namespace {

// Written from download threads, read from the main thread.
struct FontMap {
    std::shared_mutex mutex;
    std::unordered_map<ui::URL, std::string> names;
};

FontMap& fontMap() {
    static FontMap* map = new FontMap(); // lives for the whole process, also during static destruction
    return *map;
}

} // namespace

FontRepository::FontRepository(std::unique_ptr<FontServiceProviding> service)
    : service_(std::move(service)) {}

std::optional<std::string> FontRepository::postScriptName(const ui::URL& url) {
    FontMap& map = fontMap();
    std::shared_lock lock(map.mutex);
    const auto it = map.names.find(url);
    return it == map.names.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::size_t FontRepository::fontMapSize() {
    FontMap& map = fontMap();
    std::shared_lock lock(map.mutex);
    return map.names.size();
}

void FontRepository::loadFonts(const std::vector<ui::URL>& urls, std::function<void()> completion) {
    ui::DispatchGroup group;
    for (const ui::URL& url : urls) {
        // Checked before any download of this call has finished, so a URL listed twice is fetched twice.
        if (postScriptName(url)) {
            continue;
        }
        group.enter();
        // The service is shared with the download, so the repository itself need not outlive it.
        service_->load(url, [group, url, service = service_](std::optional<std::string> name) mutable {
            if (name) {
                FontMap& map = fontMap();
                std::unique_lock lock(map.mutex);
                // The first registration's name stays; a later one for the same URL changes nothing.
                map.names.try_emplace(url, std::move(*name));
            }
            group.leave();
        });
    }
    group.notify(ui::DispatchQueue::global(), [completion = std::move(completion)] {
        if (completion) {
            completion();
        }
    });
}

} // namespace kivo
