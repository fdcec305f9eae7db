#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures built into the program from assets/, decoded from JPEG.

// A picture by its file name without ".jpg" ("logo", "btnMicroPay", "banner"); a null pixmap
// when there is no such picture.
QPixmap AssetPicture(const char* name);

// The program's icon, for the windows and their tray icons; set as the application's icon the
// first time it is asked for.
QIcon ApplicationIcon();
