#include "kivo/fonts/font_registration.h"

#include <kivo/fonts/font_repository.h>
#include <ui/runloop/dispatch_queue.h>

#include <curl/curl.h>

#include <mutex>
#include <string>

namespace kivo {

namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Download {
    std::string body;
    std::size_t maximumBytes = 0;
    bool tooLarge = false;
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    auto& download = *static_cast<Download*>(user);
    const std::size_t n = size * count;
    // The size limit option does not stop a transfer whose length was not announced: count here.
    if (download.body.size() + n > download.maximumBytes) {
        download.tooLarge = true;
        return 0;
    }
    download.body.append(data, n);
    return n;
}

// The font file's bytes, or nullopt unless the server answered 200 with a body.
std::optional<std::string> fetch(const ui::URL& url, const FontService::Options& options) {
    initialiseCurlOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return std::nullopt;
    }
    Download download;
    download.maximumBytes = options.maximumBytes;
    curl_easy_setopt(curl, CURLOPT_URL, url.string().c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maximumBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK || download.tooLarge || status != 200 || download.body.empty()) {
        return std::nullopt;
    }
    return std::move(download.body);
}

} // namespace

void FontService::load(const ui::URL& url, Completion completion) {
    ui::DispatchQueue::global().async([url, options = options_, completion = std::move(completion)] {
        std::optional<std::string> name;
        if (auto bytes = fetch(url, options)) {
            name = fonts::registerFontBytes(*bytes);
        }
        if (completion) {
            completion(std::move(name));
        }
    });
}

} // namespace kivo
