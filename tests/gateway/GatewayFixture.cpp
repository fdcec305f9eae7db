#include "GatewayFixture.h"

#include <filesystem>

#include "TextCodec.h"

std::unique_ptr<FakeGateway> GatewayFixture::gateway_;

void GatewayFixture::SetUpTestSuite() {
    gateway_ = std::make_unique<FakeGateway>();
}

void GatewayFixture::TearDownTestSuite() {
    gateway_.reset();
}

void GatewayFixture::SetUp() {
    savedSystemSet_ = SystemSet;
    savedRequestUrls_ = RequestUrls;
    savedInterfacePRM_ = InterfacePRM;
    Gateway().Reset();
    SystemSet.LogLevel = 0;
    SystemSet.BaseUrl = Gateway().BaseUrl();
    PointPathsAtFakeGateway();
    InterfacePRM.AppID = kAppId;
    InterfacePRM.MchID = kMchId;
    InterfacePRM.Key = kMerchantKey;
    InterfacePRM.StoreAppID = kStoreAppId;
}

void GatewayFixture::TearDown() {
    SystemSet = savedSystemSet_;
    RequestUrls = savedRequestUrls_;
    InterfacePRM = savedInterfacePRM_;
}

std::string GatewayFixture::LogText() const {
    return platform::GbkToUtf8(LogBytes());
}

std::string GatewayFixture::LogBytes() const {
    std::string bytes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.File("Log"), ec)) {
        bytes += folder_.Read("Log/" + entry.path().filename().string());
    }
    return bytes;
}

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonBase64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += {digits[n >> 18], digits[n >> 12 & 63], digits[n >> 6 & 63], digits[n & 63]};
    }
    if (i + 1 == bytes.size()) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        out += {digits[n >> 18], digits[n >> 12 & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += {digits[n >> 18], digits[n >> 12 & 63], digits[n >> 6 & 63], '='};
    }
    return "\"" + out + "\"";
}
