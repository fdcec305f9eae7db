#pragma once

#include <cstdint>
#include <string>

// QR code pictures: a text encoded by libqrencode, drawn as an uncompressed 24-bit BMP file.
// Not reentrant: the options of the call being made are kept for the whole unit.

// Colours as 0x00BBGGRR: red in the low byte, then green, then blue; the top byte is ignored.
using TQRColor = std::uint32_t;

// Writes Text as a QR code picture to FileName (Structured = 1: a structured-append series
// FileName-01.bmp, FileName-02.bmp, ...). Margin is in modules, ModuleSize in pixels. EightBit
// not 0 encodes the bytes as 8-bit data; 0 lets the library choose modes, folding letters to
// upper case unless CaseSensitive is 1. Level 0 to 3 is L, M, Q, H. TextIsUtf8 0 first takes
// the text through code page 936, as a till keeping its text there would send it.
// Raises EAbort when no symbol can be made (nothing is written) and EInOutError when the file
// cannot be written.
void QRCodeToBmp(const std::string& Text, const std::string& FileName, int Margin, int ModuleSize,
                 int EightBit, int CaseSensitive, int Structured, unsigned char Level,
                 int TextIsUtf8, TQRColor Foreground, TQRColor Background);
