#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QLineEdit;
class QWidget;

// The look the payment dialogs share: fixed dialog border, centred, "宋体" 14 pixels, a
// highlight-coloured top band with the banner picture and a white title.

// Caption, client size and colour of a fixed-size dialog, centred on the screen.
void SetUpDialog(QWidget* dialog, const char* caption, int width, int height, const QColor& colour);

QFont PixelFont(const char* family, int pixels);

// Fills a widget with a background colour and gives its text another.
void PaintPanel(QWidget* widget, const QColor& background, const QColor& text);

// The 80-pixel top band across the dialog, named Panel1.
QWidget* MakeTopBand(QWidget* dialog, int width);

// The banner picture of the dialogs, centred in the band: Image1.
QLabel* MakeBanner(QWidget* band, int width);

// The centred white title under the banner: Label2.
QLabel* MakeBandTitle(QWidget* band, int width, const char* title);

// A one-line flat edit 300 pixels wide at (x, y) with its label on the left.
QLineEdit* MakePayEdit(QWidget* dialog, const char* name, const char* label, int x, int y);

// The grey key hint, right-aligned, ending at the right margin: LabelTip.
QLabel* MakePayKeyTip(QWidget* dialog, int y, int width);

// Brings the dialog to the front once the window system has its window: a window that is only
// being shown cannot come to the front yet.
void ForceForegroundWhenShown(QWidget* dialog);
