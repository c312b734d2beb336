// PBKDF2-HMAC-SHA256 through BCrypt against published test vectors, and the system's random bytes.
#include "platform/crypto_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel::win {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += "0123456789abcdef"[b >> 4];
        out += "0123456789abcdef"[b & 15];
    }
    return out;
}

TEST(Sha256, MatchesThePublishedVector) {
    std::vector<std::uint8_t> out(32);
    ASSERT_TRUE(Sha256("abc", std::span<std::uint8_t, 32>(out.data(), 32)));
    EXPECT_EQ(Hex(out), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Pbkdf2Sha256, MatchesThePublishedVectors) {
    const struct {
        const wchar_t* password;
        const char* salt;
        std::uint32_t iterations;
        std::size_t length;
        const char* key;
    } cases[] = {
        {L"password", "salt", 1, 32, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {L"password", "salt", 2, 32, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
        {L"password", "salt", 4096, 32, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {L"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 40,
         "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9"},
    };
    for (const auto& c : cases) {
        const std::string salt = c.salt;
        std::vector<std::uint8_t> key(c.length);
        ASSERT_TRUE(DerivePbkdf2Sha256(c.password, {reinterpret_cast<const std::uint8_t*>(salt.data()), salt.size()},
                                       c.iterations, key));
        EXPECT_EQ(Hex(key), c.key) << c.iterations;
    }
    // A password outside ASCII is taken as its UTF-8 bytes: the same letters give the same key, others not.
    std::vector<std::uint8_t> a(32), b(32), c(32);
    const std::uint8_t salt[16] = {1, 2, 3};
    ASSERT_TRUE(DerivePbkdf2Sha256(L"家长密码", salt, 2, a));
    ASSERT_TRUE(DerivePbkdf2Sha256(L"家长密码", salt, 2, b));
    ASSERT_TRUE(DerivePbkdf2Sha256(L"家长密吗", salt, 2, c));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    ASSERT_TRUE(DerivePbkdf2Sha256(L"", salt, 2, c)) << "an empty password still derives";
}

TEST(SystemRandom, GivesFreshBytesEachTime) {
    std::vector<std::uint8_t> first(16), second(16);
    ASSERT_TRUE(SystemRandom(first));
    ASSERT_TRUE(SystemRandom(second));
    EXPECT_NE(first, second);
    EXPECT_NE(first, std::vector<std::uint8_t>(16));
}

} // namespace
} // namespace kestrel::win
