#include <gtest/gtest.h>

#include <QColor>
#include <QFile>

#include <string>

#include "JpegImage.h"

using platform::DecodeJpeg;
using platform::LoadJpeg;

namespace {

std::string Bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Within a JPEG's loss of the colour expected.
void ExpectNear(const QColor& got, const QColor& want) {
    EXPECT_NEAR(got.red(), want.red(), 24) << got.name().toStdString();
    EXPECT_NEAR(got.green(), want.green(), 24) << got.name().toStdString();
    EXPECT_NEAR(got.blue(), want.blue(), 24) << got.name().toStdString();
}

const std::string kData = TEST_DATA_DIR;

}  // namespace

TEST(JpegImage, DecodesThePicturesOfTheWindows) {
    const QImage logo = LoadJpeg(std::string(ASSETS_DIR) + "/logo.jpg");
    ASSERT_EQ(logo.size(), QSize(59, 59));
    ExpectNear(logo.pixelColor(0, 0), QColor(0x00, 0x78, 0xD7));  // the panel's colour
    ExpectNear(logo.pixelColor(29, 5), Qt::white);

    const QImage button = LoadJpeg(std::string(ASSETS_DIR) + "/btnMicroPay.jpg");
    EXPECT_EQ(button.size(), QSize(192, 101));
}

TEST(JpegImage, DecodesGreyCmykAndProgressiveFiles) {
    const QImage grey = LoadJpeg(kData + "/grey.jpg");
    ASSERT_EQ(grey.size(), QSize(16, 8));
    ExpectNear(grey.pixelColor(2, 4), QColor(0x20, 0x20, 0x20));
    ExpectNear(grey.pixelColor(13, 4), QColor(0xE0, 0xE0, 0xE0));

    const QImage cmyk = LoadJpeg(kData + "/cmyk.jpg");
    ASSERT_EQ(cmyk.size(), QSize(16, 8));
    ExpectNear(cmyk.pixelColor(2, 4), Qt::red);
    ExpectNear(cmyk.pixelColor(13, 4), Qt::blue);

    const QImage progressive = LoadJpeg(kData + "/progressive.jpg");
    ASSERT_EQ(progressive.size(), QSize(16, 8));
    ExpectNear(progressive.pixelColor(8, 4), Qt::green);
}

TEST(JpegImage, BadBytesGiveANullPictureNeverACrash) {
    const std::string good = Bytes(std::string(ASSETS_DIR) + "/logo.jpg");
    EXPECT_TRUE(DecodeJpeg("").isNull());
    EXPECT_TRUE(DecodeJpeg("not a picture at all").isNull());
    EXPECT_TRUE(DecodeJpeg(good.substr(0, 20)).isNull()) << "cut inside the header";
    EXPECT_TRUE(LoadJpeg(kData + "/missing.jpg").isNull());
    EXPECT_TRUE(LoadJpeg(std::string(ASSETS_DIR) + "/make_assets.sh").isNull());

    // Cut inside the picture data: libjpeg fills the rest, and the picture keeps its size.
    const QImage cut = DecodeJpeg(good.substr(0, good.size() / 2));
    EXPECT_EQ(cut.size(), QSize(59, 59));

    std::string damaged = good;
    for (size_t i = good.size() / 3; i < good.size() - 2; i += 7) {
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    }
    (void)DecodeJpeg(damaged);  // whatever it gives, it returns
}

TEST(JpegImage, RefusesAPictureTooLargeToBeOurs) {
    // A valid header claiming 60000 x 60000 pixels: refused before any allocation.
    std::string bytes = Bytes(kData + "/grey.jpg");
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes[sof + 5] = static_cast<char>(0xEA);
    bytes[sof + 6] = static_cast<char>(0x60);
    bytes[sof + 7] = static_cast<char>(0xEA);
    bytes[sof + 8] = static_cast<char>(0x60);
    EXPECT_TRUE(DecodeJpeg(bytes).isNull());
}
