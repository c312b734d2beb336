// The update manifest: a small plain-text file on the project's web server that names the latest
// version and the page to download it from. Example:
//
//     kestrel-update 1
//     version=3.2.0.0
//     page=https://kestrel.example/download
//
// The first line names the format; then key=value lines (CR LF or LF) in any order. Unknown keys are
// skipped so the format can grow; blank lines and lines starting with '#' are ignored. Everything
// comes from the network, so anything unexpected makes the whole manifest invalid.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kestrel::update {

// Larger answers are not manifests; the download stops there.
inline constexpr std::size_t kMaxManifestBytes = 4096;

// Up to four dot-separated numbers, each 0..65535 ("3.2" is 3.2.0.0).
using Version = std::array<unsigned, 4>;
std::optional<Version> ParseVersion(std::string_view text);

// The texts are views into the manifest's text, which must outlive them: Update.dll keeps the whole
// answer in one buffer and takes no heap for it.
struct Manifest {
    Version version{};
    std::string_view versionText;
    std::string_view page; // an https address
};

// nullopt when the text is not a valid manifest: too large, not plain printable ASCII, wrong first
// line, a key given twice, a missing or malformed version, a page that is not an https address.
std::optional<Manifest> ParseManifest(std::string_view text);

// True only when `manifest` offers a version above `current` (which must itself parse).
bool OffersNewerVersion(const Manifest& manifest, std::string_view current);

} // namespace kestrel::update
