#include "qrenc.h"

#include <qrencode.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "QzErrors.h"
#include "TextCodec.h"

namespace {

struct TQRRGB {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct TQRCodeOptions {
    int casesensitive = 0;
    int eightbit = 0;
    int version = 1;
    int size = 1;
    int margin = 0;
    int structured = 0;
    int level = 0;
    QRencodeMode hint = QR_MODE_8;
    TQRRGB foreground;
    TQRRGB background;
};

TQRCodeOptions QRCodeOptions;

struct SymbolRelease {
    void operator()(QRcode* symbol) const { QRcode_free(symbol); }
};
struct SeriesRelease {
    void operator()(QRcode_List* series) const { QRcode_List_free(series); }
};
using TQRSymbol = std::unique_ptr<QRcode, SymbolRelease>;
using TQRSeries = std::unique_ptr<QRcode_List, SeriesRelease>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A picture of absurd size (a file of gigabytes) is refused before anything is written.
constexpr std::int64_t kLargestSide = 16384;
constexpr std::int64_t kLargestPicture = std::int64_t{256} << 20;

TQRRGB SplitColor(TQRColor color) {
    return {static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
            static_cast<std::uint8_t>((color >> 16) & 0xFF)};
}

void SetQRCodeOptions(int margin, int moduleSize, int eightBit, int caseSensitive, int structured,
                      unsigned char level, TQRColor foreground, TQRColor background) {
    QRCodeOptions.version = 1;
    QRCodeOptions.margin = margin;
    QRCodeOptions.size = moduleSize;
    QRCodeOptions.eightbit = eightBit;
    QRCodeOptions.casesensitive = caseSensitive;
    QRCodeOptions.structured = structured;
    QRCodeOptions.level = level;
    QRCodeOptions.hint = QR_MODE_8;
    QRCodeOptions.foreground = SplitColor(foreground);
    QRCodeOptions.background = SplitColor(background);
}

// A level outside the library's four cannot even be handed to it; it fails as the library
// would, with no symbol.
bool KnownLevel(int level) {
    return level >= QR_ECLEVEL_L && level <= QR_ECLEVEL_H;
}

TQRSymbol EncodeQRSymbol(const std::string& bytes) {
    const auto& o = QRCodeOptions;
    if (!KnownLevel(o.level)) {
        return nullptr;
    }
    const auto level = static_cast<QRecLevel>(o.level);
    if (o.eightbit != 0) {
        return TQRSymbol(QRcode_encodeData(static_cast<int>(bytes.size()),
                                           reinterpret_cast<const unsigned char*>(bytes.data()),
                                           o.version, level));
    }
    return TQRSymbol(QRcode_encodeString(bytes.c_str(), o.version, level, o.hint, o.casesensitive));
}

TQRSeries EncodeStructuredQR(const std::string& bytes) {
    const auto& o = QRCodeOptions;
    if (!KnownLevel(o.level)) {
        return nullptr;
    }
    const auto level = static_cast<QRecLevel>(o.level);
    if (o.eightbit != 0) {
        return TQRSeries(QRcode_encodeDataStructured(
            static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.data()),
            o.version, level));
    }
    return TQRSeries(
        QRcode_encodeStringStructured(bytes.c_str(), o.version, level, o.hint, o.casesensitive));
}

void PutLE(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// The file and info headers of an uncompressed 24-bit picture, side x side pixels.
std::string BmpHeaders(std::uint32_t side, std::uint32_t imageBytes) {
    std::string headers = "BM";
    PutLE(headers, 54 + imageBytes, 4);
    PutLE(headers, 0, 4);   // reserved
    PutLE(headers, 54, 4);  // the pixels follow the two headers
    PutLE(headers, 40, 4);
    PutLE(headers, side, 4);
    PutLE(headers, side, 4);  // a positive height: the bottom row comes first
    PutLE(headers, 1, 2);
    PutLE(headers, 24, 2);
    PutLE(headers, 0, 4);  // no compression
    PutLE(headers, imageBytes, 4);
    PutLE(headers, 3780, 4);  // 96 dots per inch
    PutLE(headers, 3780, 4);
    PutLE(headers, 0, 4);
    PutLE(headers, 0, 4);
    return headers;
}

void Paint(std::string& row, size_t from, size_t count, const TQRRGB& color) {
    for (size_t x = from; x < from + count; ++x) {
        row[x * 3] = static_cast<char>(color.blue);
        row[x * 3 + 1] = static_cast<char>(color.green);
        row[x * 3 + 2] = static_cast<char>(color.red);
    }
}

// The pixels of module row y, counted from the top of the picture, margin included: blue,
// green, red for each pixel, then zeros up to the row's padded size.
std::string PixelRow(const QRcode& symbol, size_t y, size_t side, size_t stride) {
    const auto& o = QRCodeOptions;
    const auto module = static_cast<size_t>(o.size);
    const auto margin = static_cast<size_t>(o.margin);
    const auto width = static_cast<size_t>(symbol.width);
    std::string row(stride, '\0');
    Paint(row, 0, side, o.background);
    if (y >= margin && y - margin < width) {
        const unsigned char* modules = symbol.data + (y - margin) * width;
        for (size_t x = 0; x < width; ++x) {
            if (modules[x] & 1) {
                Paint(row, (x + margin) * module, module, o.foreground);
            }
        }
    }
    return row;
}

void WriteQRCodeBmp(const QRcode& symbol, const std::string& fileName) {
    const auto& o = QRCodeOptions;
    if (o.margin < 0 || o.size < 1 || o.margin > kLargestSide || o.size > kLargestSide) {
        throw Exception("Invalid QR code picture size");
    }
    const std::int64_t side = (std::int64_t{symbol.width} + 2 * std::int64_t{o.margin}) * o.size;
    const std::int64_t stride = (side * 3 + 3) / 4 * 4;  // rows are padded to 4 bytes
    if (side > kLargestSide || stride * side > kLargestPicture) {
        throw Exception("Invalid QR code picture size");
    }

    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(fileName.c_str(), "wb"));
    if (!out) {
        throw EInOutError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    }
    const std::string headers =
        BmpHeaders(static_cast<std::uint32_t>(side), static_cast<std::uint32_t>(stride * side));
    bool written = std::fwrite(headers.data(), 1, headers.size(), out.get()) == headers.size();
    // Each module row is one pixel row repeated for the module's height, written bottom up.
    std::string row;
    std::int64_t rowOf = -1;
    for (std::int64_t top = side - 1; written && top >= 0; --top) {
        if (top / o.size != rowOf) {
            rowOf = top / o.size;
            row = PixelRow(symbol, static_cast<size_t>(rowOf), static_cast<size_t>(side),
                           static_cast<size_t>(stride));
        }
        written = std::fwrite(row.data(), 1, row.size(), out.get()) == row.size();
    }
    if (!written || std::fclose(out.release()) != 0) {
        throw EInOutError("Cannot write file \"" + fileName + "\". " + std::strerror(errno));
    }
}

void WriteSingleQRCode(const std::string& bytes, const std::string& fileName) {
    TQRSymbol symbol = EncodeQRSymbol(bytes);
    if (!symbol) {
        throw EAbort();
    }
    WriteQRCodeBmp(*symbol, fileName);
}

// "C:/pay/PayCode.bmp" gives "C:/pay/PayCode-01.bmp", ...; a name without ".bmp" gets the
// number alone.
std::string SeriesFileName(const std::string& base, int number, const std::string& suffix) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "-%.2d", number);
    return base + digits + suffix;
}

void WriteStructuredQRCodes(const std::string& bytes, const std::string& fileName) {
    if (fileName.empty()) {
        throw EAbort();
    }
    std::string base = fileName;
    std::string suffix;
    if (fileName.size() > 4 && strcasecmp(fileName.c_str() + fileName.size() - 4, ".bmp") == 0) {
        base = fileName.substr(0, fileName.size() - 4);
        suffix = fileName.substr(fileName.size() - 4);
    }
    TQRSeries series = EncodeStructuredQR(bytes);
    if (!series) {
        throw EAbort();
    }
    int number = 1;
    for (QRcode_List* entry = series.get(); entry; entry = entry->next, ++number) {
        if (!entry->code) {
            throw EAbort();
        }
        WriteQRCodeBmp(*entry->code, SeriesFileName(base, number, suffix));
    }
}

}  // namespace

void QRCodeToBmp(const std::string& Text, const std::string& FileName, int Margin, int ModuleSize,
                 int EightBit, int CaseSensitive, int Structured, unsigned char Level,
                 int TextIsUtf8, TQRColor Foreground, TQRColor Background) {
    const std::string bytes = TextIsUtf8 == 0 ? platform::ThroughGbk(Text) : Text;
    SetQRCodeOptions(Margin, ModuleSize, EightBit, CaseSensitive, Structured, Level, Foreground,
                     Background);
    if (QRCodeOptions.structured == 1) {
        WriteStructuredQRCodes(bytes, FileName);
    } else {
        WriteSingleQRCode(bytes, FileName);
    }
}
