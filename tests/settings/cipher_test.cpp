#include "settings/cipher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string BytesOneTo(int n) {
    std::string text;
    for (int b = 1; b <= n; ++b) text += static_cast<char>(b);
    return text;
}

}  // namespace

TEST(Cipher, MatchesIndependentlyComputedValues) {
    EXPECT_EQ(EncipherText("a"), "Jw==");
    EXPECT_EQ(EncipherText("secret"), "NfKVIReA");
    EXPECT_EQ(EncipherText("Hello, World"), "DvnEoBJM38boM8Zf");
    EXPECT_EQ(EncipherText("heslo123"), "LmzHmiwbpEo=");
    EXPECT_EQ(DecipherText("LmzHmiwbpEo="), "heslo123");
}

TEST(Cipher, EmptyAndShortTextsGiveNothing) {
    EXPECT_EQ(EncipherText(""), "");
    EXPECT_EQ(DecipherText(""), "");
    EXPECT_EQ(DecipherText("J"), "");
    EXPECT_EQ(DecipherText("Jw"), "");
    EXPECT_EQ(DecipherText("Jw="), "");
}

TEST(Cipher, RoundTripsEveryByteWithTheStoredLength) {
    for (int n = 0; n <= 255; ++n) {
        const std::string plain = BytesOneTo(n);
        const std::string stored = EncipherText(plain);
        ASSERT_EQ(stored.size(), 4u * ((plain.size() + 2) / 3)) << n;
        ASSERT_EQ(DecipherText(stored), plain) << n;
    }
    for (int b = 1; b <= 255; ++b) {
        const std::string plain(3, static_cast<char>(b));
        ASSERT_EQ(DecipherText(EncipherText(plain)), plain) << b;
    }
}

TEST(Cipher, IsDeterministicAndKeepsCommonPrefixes) {
    EXPECT_EQ(EncipherText("password"), EncipherText("password"));
    // Three equal bytes make four equal Base64 characters.
    const std::string a = EncipherText("abcdef-one");
    const std::string b = EncipherText("abcdef-two");
    EXPECT_EQ(a.substr(0, 8), b.substr(0, 8));
    EXPECT_NE(a, b);
}

TEST(Cipher, DecodingIsLenient) {
    // A trailing partial group is ignored.
    EXPECT_EQ(DecipherText("Jw==xy"), "a");
    EXPECT_EQ(DecipherText("NfKVIReAQ"), "secret");
    // "=" in fourth place gives two bytes, in third place one.
    EXPECT_EQ(DecipherText("NfKV").size(), 3u);
    EXPECT_EQ(DecipherText("NfK=").size(), 2u);
    EXPECT_EQ(DecipherText("Nf=x").size(), 1u);
    // Characters outside the alphabet decode to some bytes, never fail.
    EXPECT_EQ(DecipherText("!!!!\x80\xff\x01 ").size(), 6u);
    EXPECT_EQ(DecipherText("secret").size(), 3u);
}
