// Loading and parsing the headset file: where JSON and read exceptions become error text.
#include "headset_config.h"

#include <exception>
#include <string_view>
#include <utility>

#include "config_file.h"
#include "headset_document.h"

namespace vesko {
namespace {

constexpr const char* kParseErrorPrefix = "config parse error: ";

// Building the text can itself run out of memory; the caller must still get false, not a throw.
void setError(std::string* errorText, std::string_view head, std::string_view tail) noexcept {
    if (errorText == nullptr) {
        return;
    }
    try {
        std::string text(head);
        text += tail;
        *errorText = std::move(text);
    } catch (...) {
        errorText->clear();
    }
}

void appendPath(std::string* errorText, std::string_view path) noexcept {
    if (errorText == nullptr) {
        return;
    }
    try {
        // Reserve first so the appends cannot fail half-way.
        errorText->reserve(errorText->size() + path.size() + 3);
        errorText->append(" (").append(path).append(")");
    } catch (...) {
        // Keep the reason already there rather than nothing.
    }
}

constexpr const char* kTooLargePrefix = "config file is larger than 16 MiB: ";
static_assert(kMaxConfigFileBytes == 16u * 1024u * 1024u, "keep kTooLargePrefix in step");

}  // namespace

bool parseHeadsetConfig(const std::string& text, HeadsetConfig& cfg, std::string* errorText) {
    try {
        // Strict: exceptions on, comments rejected, nothing after the value.
        const Json doc = Json::parse(text, nullptr, true, false);
        readHeadsetDocument(doc, cfg);
        return true;
    } catch (const std::exception& e) {
        setError(errorText, kParseErrorPrefix, e.what());
    } catch (...) {
        setError(errorText, kParseErrorPrefix, "unexpected failure");
    }
    return false;
}

bool loadHeadsetConfig(const std::string& path, HeadsetConfig& cfg, std::string* errorText) {
    std::string text;
    ConfigFileRead read = ConfigFileRead::cannotOpen;
    try {
        read = readConfigFile(path, text);
    } catch (...) {
        // An unreadable stream may also surface as an exception; it is the same failure.
    }
    if (read == ConfigFileRead::tooLarge) {
        setError(errorText, kTooLargePrefix, path);
        return false;
    }
    if (read != ConfigFileRead::ok) {
        setError(errorText, "cannot open ", path);
        return false;
    }
    if (!parseHeadsetConfig(text, cfg, errorText)) {
        appendPath(errorText, path);
        return false;
    }
    return true;
}

}  // namespace vesko
