// The update manifest and version comparison: what comes over the network must be a well-formed
// manifest, and only a strictly newer version counts as an update.
#include "update/manifest.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::update {
namespace {

constexpr char kGood[] = "kestrel-update 1\r\nversion=3.2.0.0\r\npage=https://kestrel.example/download\r\n";

TEST(UpdateManifest, ReadsAWellFormedManifest) {
    // CR LF or LF, a BOM, comments, blank lines, blanks around keys and unknown keys are all accepted.
    for (const std::string& text :
         {std::string(kGood),
          std::string("\xEF\xBB\xBFkestrel-update 1\n# next\n\n page = https://kestrel.example/"
                      "download \nnotes=faster\nversion=3.2"),
          std::string("kestrel-update 1\nversion=3.2.0.0\npage=https://kestrel.example/download")}) {
        const auto manifest = ParseManifest(text);
        ASSERT_TRUE(manifest) << text;
        EXPECT_EQ(manifest->page, "https://kestrel.example/download");
        EXPECT_TRUE(OffersNewerVersion(*manifest, "3.1.0.0"));
    }
}

TEST(UpdateManifest, RefusesMalformedAndHostileText) {
    const std::string body = "\nversion=3.2.0.0\npage=https://kestrel.example/d\n";
    const std::string cases[] = {
        "",
        "<html><body>404</body></html>",
        "kestrel-update 2" + body,                                         // another format
        "kestrel-update 1\nversion=3.2.0.0\n",                             // no page
        "kestrel-update 1\npage=https://kestrel.example/d\n",              // no version
        "kestrel-update 1" + body + "version=9.0\n",                       // a key twice
        "kestrel-update 1\nversion 3.2\npage=https://kestrel.example/d\n", // not key=value
        "kestrel-update 1\nversion=3.2.0.0\npage=file:///C:/evil.exe\n",
        "kestrel-update 1\nversion=3.2.0.0\npage=http://kestrel.example/d\n", // not encrypted
        "kestrel-update 1\nversion=3.2.0.0\npage=https://kestrel.example/a b\n",
        "kestrel-update 1\nversion=3.2.0.0\npage=javascript:alert(1)\n",
        "kestrel-update 1\nversion=3.2.0.0\npage=https://\n",
        "kestrel-update 1" + body + std::string("x\0y", 3),                    // binary
        "kestrel-update 1" + body + "note=\xE4\xB8\xAD\n",                     // not ASCII
        "kestrel-update 1" + body + "#" + std::string(kMaxManifestBytes, 'x'), // huge
    };
    for (const auto& text : cases) {
        EXPECT_FALSE(ParseManifest(text)) << text.substr(0, 80);
    }
}

TEST(UpdateManifest, VersionSyntax) {
    for (const char* bad : {"", "3.", ".3", "3..1", "3.1.0.0.0", "3.1a", "-3", "+3", "3,1", "65536",
                            "999999999999", "3.1.0.0 beta"}) {
        EXPECT_FALSE(ParseVersion(bad)) << bad;
        const std::string text =
            std::string("kestrel-update 1\nversion=") + bad + "\npage=https://kestrel.example/\n";
        EXPECT_FALSE(ParseManifest(text)) << bad;
    }
    EXPECT_EQ(ParseVersion("3.1"), (Version{3, 1, 0, 0}));
    EXPECT_EQ(ParseVersion("65535.0.007.1"), (Version{65535, 0, 7, 1}));
}

TEST(UpdateManifest, OnlyAStrictlyNewerVersionIsAnUpdate) {
    // Numbers compare as numbers (3.10 is after 3.9), and missing parts are zero.
    struct Case {
        const char* offered;
        bool newer;
    };
    for (const Case& c :
         {Case{"3.1.0.1", true}, Case{"3.2", true}, Case{"3.10.0.0", true}, Case{"4", true},
          Case{"3.1.0.0", false}, Case{"3.1", false}, Case{"3.0.9.9", false}, Case{"2.99", false}}) {
        const auto manifest = ParseManifest(std::string("kestrel-update 1\nversion=") + c.offered +
                                            "\npage=https://kestrel.example/\n");
        ASSERT_TRUE(manifest) << c.offered;
        EXPECT_EQ(OffersNewerVersion(*manifest, "3.1.0.0"), c.newer) << c.offered;
    }
    EXPECT_FALSE(OffersNewerVersion(*ParseManifest(kGood), "not a version"));
}

} // namespace
} // namespace kestrel::update
