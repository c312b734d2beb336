// Parses the update manifest and compares versions; see manifest.h.
#include "update/manifest.h"

#include "base/web_addresses.h"

namespace kestrel::update {

namespace {

constexpr std::string_view kFormatLine = "kestrel-update 1";

bool IsPlainText(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\r' && c != '\n' && c != '\t') || u >= 0x7F) {
            return false;
        }
    }
    return true;
}

// The first `length` characters (all when there are fewer). Unlike substr it cannot throw, which keeps
// the C++ library's exceptions out of Update.dll.
std::string_view Head(std::string_view s, std::size_t length) {
    return {s.data(), length < s.size() ? length : s.size()};
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

std::optional<Version> ParseVersion(std::string_view text) {
    Version version{};
    std::size_t part = 0;
    std::size_t digits = 0;
    unsigned value = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (++digits > 5 || value > 65535) {
                return std::nullopt;
            }
        } else if (c == '.' && digits > 0 && part < 3) {
            version[part++] = value;
            value = 0;
            digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    version[part] = value;
    return version;
}

std::optional<Manifest> ParseManifest(std::string_view text) {
    if (text.size() > kMaxManifestBytes) {
        return std::nullopt;
    }
    if (Head(text, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    if (!IsPlainText(text)) {
        return std::nullopt;
    }
    Manifest manifest;
    bool first = true;
    bool haveVersion = false;
    bool havePage = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(Head(text, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (first) {
            if (line != kFormatLine) {
                return std::nullopt;
            }
            first = false;
            continue;
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = Trim(Head(line, equals));
        std::string_view value = line;
        value.remove_prefix(equals + 1);
        value = Trim(value);
        if (key == "version") {
            const auto version = ParseVersion(value);
            if (haveVersion || !version) {
                return std::nullopt;
            }
            manifest.version = *version;
            manifest.versionText = value;
            haveVersion = true;
        } else if (key == "page") {
            if (havePage || !IsHttpsAddress(value)) {
                return std::nullopt;
            }
            manifest.page = value;
            havePage = true;
        }
    }
    if (!haveVersion || !havePage) {
        return std::nullopt;
    }
    return manifest;
}

bool OffersNewerVersion(const Manifest& manifest, std::string_view current) {
    const auto installed = ParseVersion(current);
    return installed && manifest.version > *installed;
}

} // namespace kestrel::update
