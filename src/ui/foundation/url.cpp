#include "ui/foundation/url.h"

#include <uriparser/Uri.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace ui {

namespace {

// Owns a parsed uriparser structure for the scope of one call.
class ParsedUri {
public:
    explicit ParsedUri(const std::string& text) {
        const char* errorPos = nullptr;
        ok_ = uriParseSingleUriExA(&uri_, text.data(), text.data() + text.size(), &errorPos) == URI_SUCCESS;
    }
    ~ParsedUri() { uriFreeUriMembersA(&uri_); }
    ParsedUri(const ParsedUri&) = delete;
    ParsedUri& operator=(const ParsedUri&) = delete;

    bool ok() const { return ok_; }
    UriUriA& get() { return uri_; }

    static std::string range(const UriTextRangeA& r) {
        if (r.first == nullptr || r.afterLast == nullptr) {
            return {};
        }
        return std::string(r.first, r.afterLast);
    }

private:
    UriUriA uri_{};
    bool ok_ = false;
};

std::string toText(const UriUriA& uri) {
    int length = 0;
    if (uriToStringCharsRequiredA(&uri, &length) != URI_SUCCESS) {
        return {};
    }
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    if (uriToStringA(out.data(), &uri, length + 1, nullptr) != URI_SUCCESS) {
        return {};
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

} // namespace

std::optional<URL> URL::fromString(std::string_view text) {
    // uriparser accepts the empty reference ("same document"); a URL made from nothing is not useful to
    // anyone here, so it is refused like every other malformed text.
    if (text.empty()) {
        return std::nullopt;
    }
    std::string owned(text);
    ParsedUri parsed(owned);
    if (!parsed.ok()) {
        return std::nullopt;
    }
    return URL(std::move(owned));
}

std::optional<URL> URL::resolvedAgainst(const URL& base) const {
    ParsedUri self(text_);
    ParsedUri parsedBase(base.text_);
    if (!self.ok() || !parsedBase.ok() || !base.isAbsolute()) {
        return std::nullopt;
    }
    UriUriA resolved{};
    if (uriAddBaseUriExA(&resolved, &self.get(), &parsedBase.get(), URI_RESOLVE_STRICTLY) != URI_SUCCESS) {
        uriFreeUriMembersA(&resolved);
        return std::nullopt;
    }
    std::string text = toText(resolved);
    uriFreeUriMembersA(&resolved);
    return fromString(text);
}

std::string URL::scheme() const {
    ParsedUri parsed(text_);
    std::string s = ParsedUri::range(parsed.get().scheme);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string URL::host() const {
    ParsedUri parsed(text_);
    return ParsedUri::range(parsed.get().hostText);
}

std::string URL::path() const {
    ParsedUri parsed(text_);
    std::string out;
    const UriUriA& uri = parsed.get();
    if (uri.absolutePath || (uri.hostText.first != nullptr && uri.pathHead != nullptr)) {
        out += '/';
    }
    for (const UriPathSegmentA* seg = uri.pathHead; seg != nullptr; seg = seg->next) {
        if (seg != uri.pathHead) {
            out += '/';
        }
        out += ParsedUri::range(seg->text);
    }
    return out;
}

std::optional<std::string> URL::fileSystemPath() const {
    if (scheme() != "file") {
        return std::nullopt;
    }
    std::vector<char> buffer(text_.size() + 1, '\0');
    if (uriUriStringToUnixFilenameA(text_.c_str(), buffer.data()) != URI_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buffer.data());
}

} // namespace ui
