#include "JpegImage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace platform {
namespace {

// A window shows pictures of a few hundred pixels; anything far larger is not one of ours and
// must not make the till allocate gigabytes.
constexpr JDIMENSION kMaxSide = 8192;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}  // warnings about a damaged but readable file stay quiet

// Adobe writes CMYK inverted, which is what libjpeg hands back for such files.
void CmykRowToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = cmyk[3];
        rgb[0] = static_cast<uchar>(cmyk[0] * k / 255);
        rgb[1] = static_cast<uchar>(cmyk[1] * k / 255);
        rgb[2] = static_cast<uchar>(cmyk[2] * k / 255);
    }
}

// Everything libjpeg may abort runs in this function after setjmp, and it holds no object with a
// destructor: the jump back must not skip one. The image and the row buffer live in the caller's
// frame.
bool Decode(jpeg_decompress_struct* cinfo, ErrorManager* err, const unsigned char* data,
            unsigned long size, QImage* image, std::vector<JSAMPLE>* scratch) {
    if (setjmp(err->jump)) {
        return false;
    }
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    cinfo->out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width == 0 || cinfo->output_height == 0 || cinfo->output_width > kMaxSide ||
        cinfo->output_height > kMaxSide) {
        return false;
    }
    *image = QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height),
                    grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image->isNull()) {
        return false;
    }
    if (cmyk) {
        scratch->resize(cinfo->output_width * 4);
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW row = cmyk ? scratch->data() : image->scanLine(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            return false;
        }
        if (cmyk) {
            CmykRowToRgb(scratch->data(), image->scanLine(y), cinfo->output_width);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

QImage DecodeJpeg(std::string_view bytes) {
    QImage image;
    if (bytes.empty()) {
        return image;
    }
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.output_message = OnMessage;
    std::vector<JSAMPLE> scratch;
    jpeg_create_decompress(&cinfo);
    const bool ok = Decode(&cinfo, &err, reinterpret_cast<const unsigned char*>(bytes.data()),
                           static_cast<unsigned long>(bytes.size()), &image, &scratch);
    jpeg_destroy_decompress(&cinfo);
    return ok ? image : QImage();
}

QImage LoadJpeg(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return QImage();
    }
    const QByteArray bytes = file.readAll();
    return DecodeJpeg(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace platform
