#pragma once

// Font files named by styles: downloaded once per process, registered with the toolkit's font manager, and
// remembered by URL so that text can ask for the font by its PostScript name.

#include <ui/foundation/url.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

// Downloads one font file and registers it. The completion receives the registered font's PostScript name,
// or nullopt on any failure; it runs on a background thread.
class FontServiceProviding {
public:
    using Completion = std::function<void(std::optional<std::string> postScriptName)>;
    virtual ~FontServiceProviding() = default;
    virtual void load(const ui::URL& url, Completion completion) = 0;
};

// Downloads over HTTP(S) with libcurl on the global queue: a GET with a 60-second timeout whose answer
// must be status 200 with a body; the bytes are registered with ui::FontManager. Anything else (network
// errors, other statuses, bytes that are not a font, a font registered before) gives nullopt.
class FontService : public FontServiceProviding {
public:
    struct Options {
        std::chrono::milliseconds timeout{60'000};
        std::chrono::milliseconds connectTimeout{30'000};
        // Larger bodies are abandoned: no font file of a storefront comes near it.
        std::size_t maximumBytes = 32u << 20;
    };

    FontService() = default;
    explicit FontService(Options options) : options_(options) {}

    void load(const ui::URL& url, Completion completion) override;

private:
    Options options_;
};

class FontRepository {
public:
    explicit FontRepository(std::unique_ptr<FontServiceProviding> service = std::make_unique<FontService>());

    // Downloads every URL that has no entry in the font map yet (each occurrence: a URL listed twice is
    // fetched twice when neither is known), records the PostScript names of those that register, and then
    // runs `completion` once on the global queue, always asynchronously, also when nothing was downloaded.
    // The repository may be destroyed right after this call; the downloads keep what they need alive.
    void loadFonts(const std::vector<ui::URL>& urls, std::function<void()> completion);

    // The process-wide map from font file URL to the PostScript name of the font registered from it.
    // Entries are only ever added. Safe from any thread.
    static std::optional<std::string> postScriptName(const ui::URL& url);
    static std::size_t fontMapSize();

private:
    std::shared_ptr<FontServiceProviding> service_;
};

} // namespace kivo
