#include "MyAES.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "QzErrors.h"
#include "TextCodec.h"

namespace {

constexpr size_t kBlock = 16;
constexpr size_t kLengthBytes = 8;

// The key buffer of a key type: the key text's bytes at its start, zero bytes after them, a
// longer key cut. No buffer for an unknown key type.
struct KeyBuffer {
    std::array<unsigned char, 32> bytes{};
    const EVP_CIPHER* cipher = nullptr;
};

std::optional<KeyBuffer> MakeKey(const std::string& Key, int KeyType) {
    KeyBuffer key;
    size_t size = 0;
    switch (KeyType) {
        case 0:
            key.cipher = EVP_aes_128_ecb();
            size = 16;
            break;
        case 1:
            key.cipher = EVP_aes_192_ecb();
            size = 24;
            break;
        case 2:
            key.cipher = EVP_aes_256_ecb();
            size = 32;
            break;
        default:
            return std::nullopt;
    }
    std::copy_n(Key.begin(), std::min(Key.size(), size), key.bytes.begin());
    return key;
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

// AES in ECB mode over whole blocks; the padding is ours, never OpenSSL's.
class BlockCipher {
public:
    BlockCipher(const KeyBuffer& key, bool encrypt) : ctx_(EVP_CIPHER_CTX_new()) {
        if (!ctx_ ||
            EVP_CipherInit_ex(ctx_.get(), key.cipher, nullptr, key.bytes.data(), nullptr,
                              encrypt ? 1 : 0) != 1 ||
            EVP_CIPHER_CTX_set_padding(ctx_.get(), 0) != 1) {
            throw Exception("AES cipher could not be set up");
        }
    }

    // Enciphers or deciphers a whole number of blocks.
    std::string Run(std::string_view blocks) {
        std::string out(blocks.size(), '\0');
        int written = 0;
        if (EVP_CipherUpdate(ctx_.get(), reinterpret_cast<unsigned char*>(out.data()), &written,
                             reinterpret_cast<const unsigned char*>(blocks.data()),
                             static_cast<int>(blocks.size())) != 1 ||
            static_cast<size_t>(written) != blocks.size()) {
            throw Exception("AES cipher failed");
        }
        return out;
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx_;
};

// The value of one hexadecimal character by the old rule: a digit its value, anything else its
// code with bit 5 cleared minus 55 (so "a"-"f" and "A"-"F" give 10-15, and ":" to "@" give odd
// values that still count). No value for a character below "0" or above "F" after clearing.
std::optional<int> HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    int upper = c & ~0x20;
    if (c < '0' || upper > 'F') {
        return std::nullopt;
    }
    return upper - 55;
}

}  // namespace

void TMemoryStream::SetSize(size_t size) {
    bytes_.resize(size);
    Position = std::min(Position, size);
}

void TMemoryStream::Write(std::string_view bytes) {
    if (Position > bytes_.size()) {
        bytes_.resize(Position);
    }
    size_t overlap = std::min(bytes.size(), bytes_.size() - Position);
    bytes_.replace(Position, overlap, bytes);
    Position += bytes.size();
}

std::string TMemoryStream::Read(size_t count) {
    if (Position >= bytes_.size()) {
        return {};
    }
    std::string out = bytes_.substr(Position, count);
    Position += out.size();
    return out;
}

void StrToHex(const std::string& Bytes, std::string& Hex) {
    if (Bytes.empty()) {
        return;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(Bytes.size() * 2, '\0');
    for (size_t i = 0; i < Bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(Bytes[i]);
        out[2 * i] = kDigits[b >> 4];
        out[2 * i + 1] = kDigits[b & 0x0F];
    }
    Hex = std::move(out);
}

void HexToStr(const std::string& Hex, std::string& Bytes) {
    if (Hex.empty()) {
        return;
    }
    std::string out(Hex.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i) {
        auto high = HexValue(static_cast<unsigned char>(Hex[2 * i]));
        auto low = high ? HexValue(static_cast<unsigned char>(Hex[2 * i + 1])) : std::nullopt;
        if (!low) {
            break;  // the rest stays zero bytes
        }
        out[i] = static_cast<char>(static_cast<unsigned char>(*high * 16 + *low));
    }
    Bytes = std::move(out);
}

void AddPKCS7Padding(const std::string& Text, std::string& Out) {
    size_t n = kBlock - Text.size() % kBlock;
    Out = Text + std::string(n, static_cast<char>(n));
}

void RemovePKCS7Padding(const std::string& Text, std::string& Out) {
    if (Text.empty()) {
        Out.clear();
        return;
    }
    size_t n = static_cast<unsigned char>(Text.back());
    Out = n >= Text.size() ? std::string() : Text.substr(0, Text.size() - n);
}

void AESEncryptString(const std::string& Text, const std::string& Key, int KeyType,
                      std::string& Out) {
    // Out may be the very string passed as Text: it is only written at the end.
    std::string hex;
    if (auto key = MakeKey(Key, KeyType)) {
        std::string padded;
        AddPKCS7Padding(platform::ThroughGbk(Text), padded);
        StrToHex(BlockCipher(*key, true).Run(padded), hex);
    }
    Out = std::move(hex);
}

void AESDecryptString(const std::string& Hex, const std::string& Key, int KeyType,
                      std::string& Out) {
    // Out may be the very string passed as Hex: it is only written at the end.
    std::string text;
    auto key = MakeKey(Key, KeyType);
    if (key && !Hex.empty()) {
        std::string bytes;
        HexToStr(Hex, bytes);
        if (bytes.size() % kBlock != 0) {
            Out.clear();
            throw Exception("Invalid buffer size for decryption");
        }
        RemovePKCS7Padding(platform::ThroughGbk(BlockCipher(*key, false).Run(bytes)), text);
    }
    Out = std::move(text);
}

bool AESEncryptStream(TMemoryStream& Source, const std::string& Key, TMemoryStream* Dest,
                      int KeyType) {
    if (!Dest) {
        throw Exception("Dest stream not created.");
    }
    try {
        Source.Position = 0;
        uint64_t length = Source.Size();
        std::string header(kLengthBytes, '\0');
        for (size_t i = 0; i < kLengthBytes; ++i) {
            header[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        }
        Dest->Write(header);
        auto key = MakeKey(Key, KeyType);
        if (!key) {
            return true;
        }
        std::string plain = Source.Read(Source.Size());
        plain.resize((plain.size() + kBlock - 1) / kBlock * kBlock, '\0');
        Dest->Write(BlockCipher(*key, true).Run(plain));
    } catch (const std::exception&) {
        throw Exception("Encrypt stream error.");
    }
    return true;
}

bool AESDecryptStream(TMemoryStream& Source, const std::string& Key, TMemoryStream* Dest,
                      int KeyType) {
    if (!Dest) {
        throw Exception("Dest stream not created.");
    }
    try {
        size_t start = Dest->Position;
        Source.Position = 0;
        std::string header = Source.Read(kLengthBytes);
        if (header.size() != kLengthBytes) {
            throw Exception("stream too short");
        }
        uint64_t length = 0;
        for (size_t i = 0; i < kLengthBytes; ++i) {
            length |= uint64_t{static_cast<unsigned char>(header[i])} << (8 * i);
        }
        size_t rest = Source.Size() - kLengthBytes;
        // The length comes from a file: one that claims more bytes than the blocks hold would
        // make us invent them (or try to allocate whatever it names), so it is refused.
        if (rest == 0 || rest % kBlock != 0 || length > rest) {
            throw Exception("stream blocks do not match");
        }
        auto key = MakeKey(Key, KeyType);
        if (!key) {
            throw Exception("unknown key type");
        }
        Dest->Write(BlockCipher(*key, false).Run(Source.Read(rest)));
        Dest->SetSize(start + length);
        Dest->Position = start;
    } catch (const std::exception&) {
        throw Exception("Decrypt stream error.");
    }
    return true;
}
