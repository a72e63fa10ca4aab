#pragma once

// A URL reference: absolute ("https://cdn.example.com/a.png") or relative ("images/milk.png"), checked
// against RFC 3986 when it is made. A URL is an immutable value; two URLs are equal when their texts are.

#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

class URL {
public:
    // The URL for the text, or nullopt when the text is not a URI reference: empty text, blanks, raw
    // non-ASCII characters and characters such as '"', '|', '{', '^' or '\' are refused.
    static std::optional<URL> fromString(std::string_view text);

    // This reference resolved against an absolute base ("../b.png" against "https://x/a/c.kivo" gives
    // "https://x/b.png"). An absolute URL resolves to itself; nullopt when the base is not absolute.
    std::optional<URL> resolvedAgainst(const URL& base) const;

    const std::string& string() const { return text_; }
    // The scheme in lower case ("https"), or empty for a relative reference.
    std::string scheme() const;
    bool isAbsolute() const { return !scheme().empty(); }
    // The host ("cdn.example.com"), or empty when there is none.
    std::string host() const;
    // The path exactly as written, percent escapes kept.
    std::string path() const;
    // For a file: URL, the local path with percent escapes decoded; nullopt for any other URL.
    std::optional<std::string> fileSystemPath() const;

    bool operator==(const URL&) const = default;
    auto operator<=>(const URL&) const = default;

private:
    explicit URL(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

} // namespace ui

template <>
struct std::hash<ui::URL> {
    std::size_t operator()(const ui::URL& url) const noexcept {
        return std::hash<std::string>{}(url.string());
    }
};
