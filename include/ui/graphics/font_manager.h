#pragma once

// Fonts the process adds at run time (web fonts a document downloads). Registration may happen on any
// thread; a registered face is usable at once by Font::named, Font::font and every text layout made
// afterwards.
//
// The manager keeps the font bytes in files of a private directory (fontconfig loads faces from files)
// and removes them when the process exits.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

enum class FontRegistrationError {
    // The bytes are not a font file FreeType can read.
    invalidData,
    // A face with the same PostScript name is already registered or installed.
    alreadyRegistered,
    // The bytes could not be stored for fontconfig to load.
    storageFailed,
};

// The outcome of a registration: the PostScript name of the (first) face on success, or an error.
class FontRegistrationResult {
public:
    static FontRegistrationResult success(std::string postScriptName) {
        return FontRegistrationResult(std::move(postScriptName), std::nullopt, {});
    }
    static FontRegistrationResult failure(FontRegistrationError error, std::string postScriptName,
                                          std::string message) {
        return FontRegistrationResult(std::move(postScriptName), error, std::move(message));
    }

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    // The face's PostScript name; also set on alreadyRegistered failures (the face that exists).
    const std::string& postScriptName() const { return postScriptName_; }
    std::optional<FontRegistrationError> error() const { return error_; }
    // A sentence describing the failure, empty on success.
    const std::string& message() const { return message_; }

private:
    FontRegistrationResult(std::string name, std::optional<FontRegistrationError> error, std::string message)
        : postScriptName_(std::move(name)), error_(error), message_(std::move(message)) {}

    std::string postScriptName_;
    std::optional<FontRegistrationError> error_;
    std::string message_;
};

class FontManager {
public:
    // The process-wide manager.
    static FontManager& shared();

    // Registers the font file held in `bytes` (TrueType, OpenType, or anything else FreeType reads).
    // Fails when the bytes are not a font, or when a face of that PostScript name already exists: the
    // same font downloaded from two addresses registers once. Thread-safe.
    FontRegistrationResult registerFont(std::span<const std::uint8_t> bytes);
    FontRegistrationResult registerFont(std::string_view bytes);

    // Whether a face of this PostScript name was registered through registerFont.
    bool isRegistered(std::string_view postScriptName) const;
    // PostScript names of the registered faces, in registration order.
    std::vector<std::string> registeredFonts() const;

    // Whether `family` names an installed or registered family (matched without regard to case or
    // spaces).
    bool hasFamily(std::string_view family) const;

    // Changes each time the set of available faces changes; caches keyed on fonts compare it.
    std::uint64_t generation() const;

    FontManager(const FontManager&) = delete;
    FontManager& operator=(const FontManager&) = delete;

private:
    FontManager() = default;
    ~FontManager() = default;
};

} // namespace ui
