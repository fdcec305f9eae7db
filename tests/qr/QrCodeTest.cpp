#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>

#include "ChildProcess.h"
#include "QzErrors.h"
#include "TestFolder.h"
#include "qrenc.h"

namespace {

struct Pixel {
    std::uint8_t red, green, blue;
    bool operator==(const Pixel&) const = default;
};
constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kWhite{255, 255, 255};

std::uint32_t Le(const std::string& b, size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    }
    return v;
}

// Reads the picture back by the format's own rules, apart from the writer.
class Bitmap {
public:
    explicit Bitmap(std::string bytes) : bytes_(std::move(bytes)) {
        if (bytes_.size() < 54) {
            ADD_FAILURE() << "not a bitmap: " << bytes_.size() << " bytes";
            return;
        }
        EXPECT_EQ(bytes_.substr(0, 2), "BM");
        EXPECT_EQ(Le(bytes_, 2, 4), bytes_.size());
        EXPECT_EQ(Le(bytes_, 14, 4), 40u);  // the common info header
        EXPECT_EQ(Le(bytes_, 28, 2), 24u);
        EXPECT_EQ(Le(bytes_, 30, 4), 0u);  // no compression
        width_ = static_cast<int>(Le(bytes_, 18, 4));
        height_ = static_cast<int>(Le(bytes_, 22, 4));  // positive: bottom-up rows
        offset_ = Le(bytes_, 10, 4);
        stride_ = (static_cast<size_t>(width_) * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes_.size(), offset_ + stride_ * height_);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Pixel At(int x, int y) const {
        size_t at = offset_ + (height_ - 1 - y) * stride_ + x * 3;
        return {static_cast<std::uint8_t>(bytes_[at + 2]),
                static_cast<std::uint8_t>(bytes_[at + 1]), static_cast<std::uint8_t>(bytes_[at])};
    }
    // The padding bytes at the end of every row.
    bool PaddingIsZero() const {
        for (int y = 0; y < height_; ++y) {
            for (size_t i = width_ * 3; i < stride_; ++i) {
                if (bytes_[offset_ + y * stride_ + i] != 0) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    std::string bytes_;
    int width_ = 0;
    int height_ = 0;
    size_t offset_ = 0;
    size_t stride_ = 0;
};

// The bytes an independent reader finds in the picture (taken as they are, not guessed at as
// one character set or another).
std::string Decode(const std::string& file) {
    ProgramResult r = RunProgram({"zbarimg", "--raw", "-q", "-Sbinary", file}, 30000);
    EXPECT_EQ(r.status, 0) << "zbarimg could not read " << file;
    if (!r.out.empty() && r.out.back() == '\n') {
        r.out.pop_back();
    }
    return r.out;
}

class QRCode : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramInstalled("zbarimg")) {
            GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
        }
    }
    // The one call the code pay dialog makes, with the text and the layout given.
    std::string Write(const std::string& text, int margin = 0, int module = 12) {
        std::string file = folder.File("PayCode.bmp");
        QRCodeToBmp(text, file, margin, module, 0, 1, 0, 0, 0, 0x000000, 0xFFFFFF);
        return file;
    }
    TestFolder folder;
};

TEST_F(QRCode, AbcWithoutMarginIsVersionOneAtTwelvePixelsAModule) {
    std::string file = Write("abc");
    Bitmap bmp(folder.Read("PayCode.bmp"));
    ASSERT_EQ(bmp.Width(), 252);  // 21 modules
    ASSERT_EQ(bmp.Height(), 252);
    // The top-left finder pattern fills the first 84 x 84 pixels: a dark ring from the very
    // first pixel, a light ring, a dark 3 x 3 core; then the light separator.
    EXPECT_EQ(bmp.At(0, 0), kBlack);
    EXPECT_EQ(bmp.At(83, 0), kBlack);
    EXPECT_EQ(bmp.At(0, 83), kBlack);
    EXPECT_EQ(bmp.At(83, 83), kBlack);
    EXPECT_EQ(bmp.At(12, 12), kWhite);
    EXPECT_EQ(bmp.At(71, 71), kWhite);
    EXPECT_EQ(bmp.At(24, 24), kBlack);
    EXPECT_EQ(bmp.At(59, 59), kBlack);
    EXPECT_EQ(bmp.At(84, 0), kWhite);
    EXPECT_EQ(bmp.At(0, 84), kWhite);
    // The other two finders sit in the other corners.
    EXPECT_EQ(bmp.At(251, 0), kBlack);
    EXPECT_EQ(bmp.At(0, 251), kBlack);
    EXPECT_EQ(Decode(file), "abc");
}

TEST_F(QRCode, MarginIsAWhiteBorderAndRowsArePadded) {
    std::string file = Write("abc", 4, 3);
    Bitmap bmp(folder.Read("PayCode.bmp"));
    ASSERT_EQ(bmp.Width(), 87);  // (21 + 8) x 3; a row of 261 bytes is padded to 264
    ASSERT_EQ(bmp.Height(), 87);
    EXPECT_TRUE(bmp.PaddingIsZero());
    for (int y = 0; y < 87; ++y) {
        for (int x = 0; x < 87; ++x) {
            if (x < 12 || y < 12 || x >= 75 || y >= 75) {
                ASSERT_EQ(bmp.At(x, y), kWhite) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(bmp.At(12, 12), kBlack);
    EXPECT_EQ(bmp.At(74, 12), kBlack);
    EXPECT_EQ(bmp.At(12, 74), kBlack);
    EXPECT_EQ(Decode(file), "abc");
}

TEST_F(QRCode, ColoursTakeRedFromTheLowByte) {
    std::string file = folder.File("red.bmp");
    QRCodeToBmp("abc", file, 1, 4, 0, 1, 0, 0, 0, 0x0000FF, 0xFFFFFF);
    Bitmap red(folder.Read("red.bmp"));
    EXPECT_EQ(red.At(0, 0), kWhite);
    EXPECT_EQ(red.At(4, 4), (Pixel{255, 0, 0}));
    EXPECT_EQ(Decode(file), "abc");

    QRCodeToBmp("abc", file, 1, 4, 0, 1, 0, 0, 0, 0x00336699, 0x00F0E0D0);
    Bitmap mixed(folder.Read("red.bmp"));
    EXPECT_EQ(mixed.At(0, 0), (Pixel{0xD0, 0xE0, 0xF0}));
    EXPECT_EQ(mixed.At(4, 4), (Pixel{0x99, 0x66, 0x33}));
}

TEST_F(QRCode, TextReadsBackExactly) {
    const std::string url = "weixin://wxpay/bizpayurl?pr=AbCdEf1234567890&fee=12.50";
    EXPECT_EQ(Decode(Write(url)), url);
    // Chinese goes through code page 936 and is encoded as its UTF-8 bytes.
    EXPECT_EQ(Decode(Write("海川微信支付收银系统 12.50元")), "海川微信支付收银系统 12.50元");
    // A character the code page lacks is what such a till would have sent: "?".
    EXPECT_EQ(Decode(Write("海川微信付款😀成功")), "海川微信付款?成功");

    std::string file = folder.File("raw.bmp");
    QRCodeToBmp("付款😀", file, 2, 4, 1, 1, 0, 1, 1, 0, 0xFFFFFF);  // UTF-8 as it is, 8-bit, M
    EXPECT_EQ(Decode(file), "付款😀");
    QRCodeToBmp("abc-xyz", file, 2, 4, 0, 0, 0, 0, 1, 0, 0xFFFFFF);  // letters folded
    EXPECT_EQ(Decode(file), "ABC-XYZ");
}

TEST_F(QRCode, ATextTooLongForAnySymbolIsAbortedWithoutAFile) {
    std::string file = folder.File("long.bmp");
    auto abortedWithoutFile = [&](const std::string& text, int eightBit, unsigned char level) {
        try {
            QRCodeToBmp(text, file, 0, 12, eightBit, 1, 0, level, 0, 0, 0xFFFFFF);
            ADD_FAILURE() << "no error for " << text.size() << " bytes at level " << int(level);
        } catch (const EAbort& e) {
            EXPECT_STREQ(e.what(), "Operation aborted");
        }
        EXPECT_FALSE(std::filesystem::exists(file));
    };
    abortedWithoutFile(std::string(2954, 'x'), 1, 0);  // version 40-L holds 2953 bytes
    abortedWithoutFile(std::string(7090, '7'), 0, 0);  // and 7089 digits
    abortedWithoutFile(std::string(1274, 'x'), 1, 3);  // 40-H holds 1273 bytes
    abortedWithoutFile("abc", 0, 4);                   // no such level
    QRCodeToBmp(std::string(2953, 'x'), file, 0, 1, 1, 1, 0, 0, 0, 0, 0xFFFFFF);
    EXPECT_EQ(Bitmap(folder.Read("long.bmp")).Width(), 177);  // the largest symbol
}

TEST_F(QRCode, AStructuredSeriesIsNumberedAfterTheFileName) {
    const std::string text = "The structured series carries one text over several symbols: 0123";
    QRCodeToBmp(text, folder.File("PayCode.BMP"), 4, 4, 1, 1, 1, 0, 0, 0, 0xFFFFFF);
    std::vector<std::string> parts;
    for (int n = 1; std::filesystem::exists(folder.File("PayCode-0" + std::to_string(n) + ".BMP"));
         ++n) {
        parts.push_back(folder.File("PayCode-0" + std::to_string(n) + ".BMP"));
    }
    ASSERT_GE(parts.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(folder.File("PayCode.BMP")));
    for (const auto& part : parts) {
        EXPECT_EQ(Bitmap(folder.Read(std::filesystem::path(part).filename())).Width(), 29 * 4);
    }
    // A reader puts the series together when it sees all of it at once.
    if (ProgramInstalled("convert")) {
        std::vector<std::string> join{"convert"};
        join.insert(join.end(), parts.begin(), parts.end());
        join.insert(join.end(), {"+append", folder.File("joined.png")});
        ASSERT_EQ(RunProgram(join).status, 0);
        EXPECT_EQ(Decode(folder.File("joined.png")), text);
    }

    QRCodeToBmp(text, folder.File("series"), 0, 1, 1, 1, 1, 0, 0, 0, 0xFFFFFF);
    EXPECT_TRUE(std::filesystem::exists(folder.File("series-01")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("series-03")));
    EXPECT_THROW(QRCodeToBmp(text, "", 0, 1, 1, 1, 1, 0, 0, 0, 0xFFFFFF), EAbort);
}

TEST_F(QRCode, AFileThatCannotBeWrittenRaisesToTheCaller) {
    auto raisesFileError = [&](const std::string& file) {
        try {
            QRCodeToBmp("abc", file, 0, 12, 0, 1, 0, 0, 0, 0, 0xFFFFFF);
            ADD_FAILURE() << "no error writing " << file;
        } catch (const EInOutError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + file + "\". ", 0), 0u)
                << e.what();
        }
    };
    raisesFileError(folder.File("missing/PayCode.bmp"));
    folder.Write("plain", "a file, not a folder");
    raisesFileError(folder.File("plain/PayCode.bmp"));
    std::filesystem::create_directory(folder.File("readonly"));
    chmod(folder.File("readonly").c_str(), 0555);
    if (geteuid() != 0) {  // the superuser writes into read-only folders all the same
        raisesFileError(folder.File("readonly/PayCode.bmp"));
    }
    chmod(folder.File("readonly").c_str(), 0755);
}

}  // namespace
