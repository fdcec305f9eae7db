#pragma once

#include <QImage>

#include <string>
#include <string_view>

namespace platform {

// Decodes JPEG bytes (grey, colour or CMYK, baseline or progressive) with libjpeg. A null image
// when the bytes are no JPEG picture libjpeg can read, or one too large to be a window's picture.
QImage DecodeJpeg(std::string_view bytes);

// The same for a file, or a Qt resource (":/assets/logo.jpg"); a null image when it cannot be read.
QImage LoadJpeg(const std::string& path);

}  // namespace platform
