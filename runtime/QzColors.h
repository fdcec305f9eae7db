#pragma once

#include <QColor>

// The window colours the system names, with their usual values.
inline const QColor kClMoneyGreen(0xC0, 0xDC, 0xC0);
inline const QColor kClHighlight(0x00, 0x78, 0xD7);
inline const QColor kClWindow(0xFF, 0xFF, 0xFF);
