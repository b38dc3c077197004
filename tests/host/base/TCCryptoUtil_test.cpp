#include "Crypto/TCBase64Coder.h"
#include "Crypto/TCCryptoUtil.h"
#include "Host/TCException.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

std::string CheapHash(const std::string& password) {
    return TCCryptoUtil::DBWebUser_HashPassword(password, TCPasswordHashCost::Minimal());
}

} // namespace

TEST(PasswordHash, StoredCostIsArgon2idAndVerifies) {
    const std::string hash = TCCryptoUtil::DBWebUser_HashPassword("correct horse");
    EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
    EXPECT_NE(hash.find("m=19456,t=2"), std::string::npos) << hash;
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("correct horse", hash));
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("correct horse ", hash));
}

TEST(PasswordHash, OnlyHashesCostlierThanTheStoredCostNeedRehashing) {
    // Older releases stored hashes at 64 MiB; those keep verifying with their own parameters.
    const std::string older = TCCryptoUtil::DBWebUser_HashPassword("pw", {2, 64 * 1024 * 1024});
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("pw", older));
    const struct {
        std::string hash;
        bool needsRehash;
    } cases[] = {
        {older, true},
        {TCCryptoUtil::DBWebUser_HashPassword("pw"), false},
        {CheapHash("pw"), false},
        {"", false},
        {"$argon2id$v=19$m=x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCCryptoUtil::DBWebUser_NeedsRehash(c.hash), c.needsRehash) << c.hash;
}

TEST(PasswordHash, WrongPasswordFails) {
    const std::string hash = CheapHash("secret");
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("Secret", hash));
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("", hash));
}

TEST(PasswordHash, MalformedHashesFailWithoutThrowing) {
    const std::string valid = CheapHash("secret");
    const std::string malformed[] = {
        "",
        "secret",
        "$argon2id$v=19$m=8,t=1,p=1$xx$yy",
        valid.substr(0, valid.size() / 2),
        valid + std::string(1, '\0') + "tail",
        std::string(500, 'a'),
    };
    for (const std::string& hash : malformed) {
        EXPECT_NO_THROW(EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash)) << hash);
    }
}

TEST(PasswordHash, VerificationCacheNeverServesAnotherPairing) {
    const std::string hash = CheapHash("secret");
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash)); // now from the cache
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("wrong", hash));

    // The password was changed: the old one must not pass against the new hash.
    const std::string changed = CheapHash("other");
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", changed));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("other", changed));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash));
}

TEST(PasswordHash, CacheKeySeparatesHashFromPassword) {
    // Moving a character from the password's start to the hash's end keeps the concatenation the same.
    const std::string hash = CheapHash("secret");
    ASSERT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash));
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("ecret", hash + "s"));
}

TEST(Base64, KnownVectors) {
    EXPECT_EQ(TCCryptoUtil::Base64Encode(""), "");
    EXPECT_EQ(TCCryptoUtil::Base64Encode("f"), "Zg==");
    EXPECT_EQ(TCCryptoUtil::Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(TCCryptoUtil::Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(TCCryptoUtil::Base64Encode("\xfb\xff"), "+/8=");
    EXPECT_EQ(TCCryptoUtil::Base64Decode("Zm9vYmFy"), "foobar");
    EXPECT_EQ(TCCryptoUtil::Base64Decode(""), "");
}

TEST(Base64, BinaryRoundTripKeepsZeroBytes) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    bytes += std::string(3, '\0');
    for (size_t length = 0; length <= bytes.size(); length += 37) {
        const std::string part = bytes.substr(0, length);
        EXPECT_EQ(TCCryptoUtil::Base64Decode(TCCryptoUtil::Base64Encode(part)), part) << length;
    }
    Accessories::TCBinaryStream out;
    ASSERT_TRUE(TCBase64Coder::Decode(TCBase64Coder::Encode(bytes.data(), bytes.size()), out));
    EXPECT_EQ(out.size(), bytes.size());
    EXPECT_EQ(out.AsString(), bytes);
}

TEST(Base64, AcceptsMissingPaddingAndWhitespace) {
    EXPECT_EQ(TCCryptoUtil::Base64Decode("Zm8"), "fo");
    EXPECT_EQ(TCCryptoUtil::Base64Decode("Zg"), "f");
    EXPECT_EQ(TCCryptoUtil::Base64Decode("Zm9v\r\nYmFy\n"), "foobar");
    EXPECT_EQ(TCCryptoUtil::Base64Decode(" Zm8= "), "fo");
}

TEST(Base64, RejectsInvalidText) {
    const char* invalid[] = {"Zm9v!", "Z", "Zm8==", "Zg=", "Zm8=Zm8=", "=Zm8", "Zm-_"};
    for (const char* text : invalid) {
        EXPECT_THROW(TCCryptoUtil::Base64Decode(text), TCException) << text;
        Accessories::TCBinaryStream out(text, 2);
        EXPECT_FALSE(TCBase64Coder::Decode(text, out)) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
}

TEST(StreamToString, ReadsFromTheStartWhateverWasConsumed) {
    std::istringstream stream("first line\nsecond");
    std::string word;
    stream >> word;
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond");
    // Now at the end with eofbit set: still the whole content.
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond");

    std::istringstream empty;
    EXPECT_EQ(TCCryptoUtil::StreamToString(empty), "");
}
