#include <gtest/gtest.h>

#include <functional>

#include "MyAES.h"
#include "QzErrors.h"

// The expected cipher texts come from outside this code: FIPS-197 appendix C, and
// `openssl enc -aes-*-ecb -K <key in hex>` (PKCS#7 padding) on the same bytes.

namespace {

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

std::string Unhex(const std::string& hex) {
    std::string bytes;
    HexToStr(hex, bytes);
    return bytes;
}

std::string Encrypt(const std::string& text, const std::string& key = kStoredAESKey,
                    int keyType = 0) {
    std::string out = "stale";
    AESEncryptString(text, key, keyType, out);
    return out;
}

std::string Decrypt(const std::string& hex, const std::string& key = kStoredAESKey,
                    int keyType = 0) {
    std::string out = "stale";
    AESDecryptString(hex, key, keyType, out);
    return out;
}

const std::string kEmptyTextHex = "EABE9F15937DDF459EEA4A63A27A7DAF";

}  // namespace

TEST(HexForm, WritesUpperCaseAndReadsEitherCase) {
    std::string hex = "untouched";
    StrToHex("", hex);
    EXPECT_EQ(hex, "untouched");
    StrToHex(std::string("\x00\x7F\xAB\xFF", 4), hex);
    EXPECT_EQ(hex, "007FABFF");

    std::string bytes = "untouched";
    HexToStr("", bytes);
    EXPECT_EQ(bytes, "untouched");
    HexToStr("abCDef", bytes);
    EXPECT_EQ(bytes, "\xAB\xCD\xEF");
    HexToStr("414", bytes);  // an odd last digit is dropped
    EXPECT_EQ(bytes, "A");
}

TEST(HexForm, StopsAtTheFirstNonDigitAndZeroFillsTheRest) {
    std::string bytes;
    HexToStr("41G14243", bytes);
    EXPECT_EQ(bytes, std::string("A\0\0\0", 4));
    HexToStr("41 2", bytes);
    EXPECT_EQ(bytes, std::string("A\0", 2));
    HexToStr("41\xE4\xB8", bytes);  // bytes beyond ASCII stop too
    EXPECT_EQ(bytes, std::string("A\0", 2));
    // Characters between "9" and "A" are not a stop: they count by the code-minus-55 rule.
    HexToStr(":0@0", bytes);
    EXPECT_EQ(bytes, "\x30\x90");
}

TEST(Padding, AddsOneToSixteenBytesAndRemovesWithoutChecking) {
    std::string out;
    AddPKCS7Padding("", out);
    EXPECT_EQ(out, std::string(16, '\x10'));
    AddPKCS7Padding(std::string(15, 'a'), out);
    EXPECT_EQ(out, std::string(15, 'a') + "\x01");
    AddPKCS7Padding(std::string(16, 'a'), out);
    EXPECT_EQ(out, std::string(16, 'a') + std::string(16, '\x10'));

    RemovePKCS7Padding("abc\x02", out);
    EXPECT_EQ(out, "ab");
    RemovePKCS7Padding("abc\x04", out);  // value equal to the length: nothing left
    EXPECT_EQ(out, "");
    RemovePKCS7Padding("ab\x7F", out);
    EXPECT_EQ(out, "");
    RemovePKCS7Padding(std::string("ab\0", 3), out);
    EXPECT_EQ(out, std::string("ab\0", 3));
    out = "stale";
    RemovePKCS7Padding("", out);
    EXPECT_EQ(out, "");
}

TEST(AESString, MatchesOpenSslForEveryKeySize) {
    EXPECT_EQ(Encrypt(""), kEmptyTextHex);
    EXPECT_EQ(Encrypt("123456"), "2FF5D031CCF1F97384A9713272ACB591");
    EXPECT_EQ(Encrypt("ABCDEFGHIJKLMNOP"), "815BEAB85981F8FCB8F9ED2E01200EAA" + kEmptyTextHex);
    EXPECT_EQ(Encrypt("abc", "Wn4rB7tYq2Lc9HsE12345678", 1), "31CFB04607B9502304C6D31A034F8A34");
    EXPECT_EQ(Encrypt("abc", "Wn4rB7tYq2Lc9HsEWn4rB7tYq2Lc9HsE", 2),
              "08897DD26168F05644CA4C632EC208B6");
    // The 16-character key zero-filled to the 24 bytes of key type 1.
    EXPECT_EQ(Encrypt("abc", kStoredAESKey, 1), "D8265C838A11C24F5F86B23D5FC6E6A6");
}

TEST(AESString, CutsALongKeyAndZeroFillsAShortOne) {
    EXPECT_EQ(Encrypt("abc", "Wn4rB7tYq2Lc9HsE1234"), "A00255BF370D7AEE8974580D6D0042A3");
    EXPECT_EQ(Encrypt("abc"), "A00255BF370D7AEE8974580D6D0042A3");
    EXPECT_EQ(Encrypt("abc", "short12345"), "BEE2EEA3B5D58D1625E7920A47E07120");
}

TEST(AESString, TheUtf8LengthDecidesThePadding) {
    // Five Chinese characters and a letter: 16 bytes in UTF-8, 11 in code page 936.
    const std::string text = "收银员密码A";
    const std::string hex = "10C55675B534D705463C0F65B860BE2C" + kEmptyTextHex;
    EXPECT_EQ(Encrypt(text), hex);
    EXPECT_EQ(Decrypt(hex), text);
    EXPECT_EQ(Decrypt("10c55675b534d705463c0f65b860be2c" + kEmptyTextHex), text);
}

TEST(AESString, RoundTripsAndEmptiesOnUnknownKeyTypes) {
    EXPECT_EQ(Decrypt(kEmptyTextHex), "");
    EXPECT_EQ(Decrypt(Encrypt("商户密钥 key-42")), "商户密钥 key-42");
    EXPECT_EQ(Decrypt(Encrypt("x", "k24-abcdefghijklmnopqrst", 1), "k24-abcdefghijklmnopqrst", 1),
              "x");
    EXPECT_EQ(Decrypt(""), "");
    EXPECT_EQ(Encrypt("abc", kStoredAESKey, 3), "");
    EXPECT_EQ(Encrypt("abc", kStoredAESKey, -1), "");
    EXPECT_EQ(Decrypt(kEmptyTextHex, kStoredAESKey, 3), "");
    // A character code page 936 cannot hold is enciphered as "?", as the tills always did.
    EXPECT_EQ(Encrypt("a😀"), Encrypt("a?"));
}

TEST(AESString, OutMayBeTheInput) {
    std::string text = "123456";
    AESEncryptString(text, kStoredAESKey, 0, text);
    EXPECT_EQ(text, "2FF5D031CCF1F97384A9713272ACB591");
    AESDecryptString(text, kStoredAESKey, 0, text);
    EXPECT_EQ(text, "123456");
}

TEST(AESString, RefusesPartBlocksButNotAWrongKey) {
    std::string out = "stale";
    EXPECT_EQ(ErrorOf([&] { AESDecryptString(std::string(30, 'A'), kStoredAESKey, 0, out); }),
              "Invalid buffer size for decryption");
    EXPECT_EQ(out, "");
    EXPECT_EQ(ErrorOf([&] { AESDecryptString("2FF5D0", kStoredAESKey, 0, out); }),
              "Invalid buffer size for decryption");
    EXPECT_EQ(ErrorOf([&] { Decrypt("2FF5D031CCF1F97384A9713272ACB591", "another key"); }),
              "(no error)");
}

TEST(AESStream, MatchesTheFips197Vectors) {
    const std::string plain = Unhex("00112233445566778899AABBCCDDEEFF");
    const std::string header("\x10\0\0\0\0\0\0\0", 8);
    const struct {
        int keyType;
        const char* keyHex;
        const char* cipherHex;
    } cases[] = {
        {0, "000102030405060708090A0B0C0D0E0F", "69C4E0D86A7B0430D8CDB78070B4C55A"},
        {1, "000102030405060708090A0B0C0D0E0F1011121314151617", "DDA97CA4864CDFE06EAF70A0EC0D7191"},
        {2, "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F",
         "8EA2B7CA516745BFEAFC49904B496089"},
    };
    for (const auto& c : cases) {
        TMemoryStream source(plain);
        TMemoryStream enciphered;
        EXPECT_TRUE(AESEncryptStream(source, Unhex(c.keyHex), &enciphered, c.keyType));
        EXPECT_EQ(enciphered.Bytes(), header + Unhex(c.cipherHex)) << c.keyType;

        TMemoryStream back;
        EXPECT_TRUE(AESDecryptStream(enciphered, Unhex(c.keyHex), &back, c.keyType));
        EXPECT_EQ(back.Bytes(), plain);
    }
}

TEST(AESStream, SeventeenBytesMakeFortyAndComeBack) {
    TMemoryStream source("0123456789ABCDEFG");
    source.Position = 5;  // the whole source counts, wherever it stands
    TMemoryStream enciphered;
    AESEncryptStream(source, kStoredAESKey, &enciphered, 0);
    ASSERT_EQ(enciphered.Size(), 40u);
    EXPECT_EQ(enciphered.Bytes(),
              std::string("\x11\0\0\0\0\0\0\0", 8) +
                  Unhex("2C792913DF5B901189E6E73411F0BE731FAFE9735144C6E4626747F852BF4E49"));

    TMemoryStream back;
    AESDecryptStream(enciphered, kStoredAESKey, &back, 0);
    EXPECT_EQ(back.Bytes(), "0123456789ABCDEFG");
    EXPECT_EQ(back.Position, 0u);
}

TEST(AESStream, WritesAndReadsAtTheDestinationsPosition) {
    TMemoryStream source("payload");
    TMemoryStream enciphered("HEAD");
    enciphered.Position = 4;
    AESEncryptStream(source, kStoredAESKey, &enciphered, 0);
    EXPECT_EQ(enciphered.Size(), 4u + 8 + 16);
    EXPECT_EQ(enciphered.Bytes().substr(0, 5), std::string("HEAD\x07", 5));

    TMemoryStream stream(enciphered.Bytes().substr(4));
    TMemoryStream dest("prefix-and-old-tail");
    dest.Position = 7;
    AESDecryptStream(stream, kStoredAESKey, &dest, 0);
    EXPECT_EQ(dest.Bytes(), "prefix-payload");
    EXPECT_EQ(dest.Position, 7u);
}

TEST(AESStream, EmptySourceWritesTheLengthOnlyAndDoesNotDecipher) {
    TMemoryStream source;
    TMemoryStream enciphered;
    AESEncryptStream(source, kStoredAESKey, &enciphered, 0);
    EXPECT_EQ(enciphered.Bytes(), std::string(8, '\0'));

    TMemoryStream dest;
    EXPECT_EQ(ErrorOf([&] { AESDecryptStream(enciphered, kStoredAESKey, &dest, 0); }),
              "Decrypt stream error.");
    EXPECT_EQ(dest.Size(), 0u);
}

TEST(AESStream, UnknownKeyTypeWritesTheLengthAlone) {
    TMemoryStream source("abc");
    TMemoryStream enciphered;
    EXPECT_TRUE(AESEncryptStream(source, kStoredAESKey, &enciphered, 7));
    EXPECT_EQ(enciphered.Bytes(), std::string("\x03\0\0\0\0\0\0\0", 8));
}

TEST(AESStream, ReportsDamagedStreamsWithTheirOwnTexts) {
    TMemoryStream source("abc");
    EXPECT_EQ(ErrorOf([&] { AESEncryptStream(source, kStoredAESKey, nullptr, 0); }),
              "Dest stream not created.");
    EXPECT_EQ(ErrorOf([&] { AESDecryptStream(source, kStoredAESKey, nullptr, 0); }),
              "Dest stream not created.");

    TMemoryStream good;
    AESEncryptStream(source, kStoredAESKey, &good, 0);
    const std::string bytes = good.Bytes();
    std::string tooLong = bytes;
    tooLong[0] = 17;  // claims more bytes than its one block holds
    std::string huge = bytes;
    huge[7] = '\x7F';
    for (const std::string& damaged : {bytes.substr(0, 7), bytes.substr(0, 8), bytes.substr(0, 23),
                                       bytes + "x", tooLong, huge}) {
        TMemoryStream stream(damaged);
        TMemoryStream dest("kept");
        dest.Position = 4;
        EXPECT_EQ(ErrorOf([&] { AESDecryptStream(stream, kStoredAESKey, &dest, 0); }),
                  "Decrypt stream error.")
            << damaged.size();
        EXPECT_EQ(dest.Bytes(), "kept");
    }
}
