#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The key every caller uses: passwords to the gateway, the merchant key from it and the parameter
// file are all enciphered with it as AES-128 (key type 0).
inline constexpr const char* kStoredAESKey = "Wn4rB7tYq2Lc9HsE";

// A growable byte buffer with a read/write position, the shape the stream cipher works on.
// Writing past the end grows it; reading stops at the end.
class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    // Cuts or zero-extends the buffer; the position is kept within it.
    void SetSize(size_t size);

    size_t Position = 0;

    // Writes at Position and moves it on.
    void Write(std::string_view bytes);
    // Reads up to count bytes from Position and moves it on; fewer at the end.
    std::string Read(size_t count);

private:
    std::string bytes_;
};

// Upper-case hexadecimal, two digits per byte; an empty input leaves Hex as it was.
void StrToHex(const std::string& Bytes, std::string& Hex);

// The bytes of a hexadecimal text, either letter case. The result is half the input's length
// (rounded down); decoding stops at the first character that is no hexadecimal digit, and the
// bytes after that stop are zero. An empty input leaves Bytes as it was.
void HexToStr(const std::string& Hex, std::string& Bytes);

// PKCS#7 padding to 16 bytes: n bytes of value n, n in 1..16.
void AddPKCS7Padding(const std::string& Text, std::string& Out);

// Drops as many trailing bytes as the value of the last byte, without checking them; empty when
// that value is the text's length or more.
void RemovePKCS7Padding(const std::string& Text, std::string& Out);

// Key type 0, 1, 2: a 16-, 24- or 32-byte key buffer, the key text zero-filled or cut to fit.
// Any other key type gives an empty Out.
//
// Text -> padded -> AES-ECB -> upper-case hexadecimal in Out.
void AESEncryptString(const std::string& Text, const std::string& Key, int KeyType,
                      std::string& Out);
// The reverse; raises Exception "Invalid buffer size for decryption" when the bytes are not whole
// blocks. A wrong key gives garbage, not an error.
void AESDecryptString(const std::string& Hex, const std::string& Key, int KeyType,
                      std::string& Out);

// Writes at Dest's position the 8-byte little-endian length of Source, then Source enciphered
// block by block, its last block zero-filled. Raises Exception "Dest stream not created." for a
// null Dest and "Encrypt stream error." for any other failure.
bool AESEncryptStream(TMemoryStream& Source, const std::string& Key, TMemoryStream* Dest,
                      int KeyType);
// Deciphers that format into Dest at its position, cuts Dest to position + length and sets the
// position back to where the plain bytes start. Raises Exception "Dest stream not created." or
// "Decrypt stream error.".
bool AESDecryptStream(TMemoryStream& Source, const std::string& Key, TMemoryStream* Dest,
                      int KeyType);
