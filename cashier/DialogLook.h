#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace platform {
class Form;
}

// The look every cashier dialog shares: a fixed border, "宋体" at 14 pixels, a highlight-coloured
// band 80 pixels high across the top (with a title, or with the banner picture and a title under
// it), edits with their labels on the left, and a grey key tip.

// Caption, fixed client size, colour and icon of a dialog, centred on the screen.
void SetUpDialog(platform::Form* dialog, const char* caption, int width, int height,
                 const QColor& colour);

QFont PixelFont(const char* family, int pixels);

// Fills a widget with a background colour and gives its text another.
void PaintPanel(QWidget* widget, const QColor& background, const QColor& text);

// The empty band across the top: Panel1.
QWidget* MakeTopBand(QWidget* dialog, int width);

// The band across the top with a white title in its middle: Panel1.
QLabel* MakeTitleBand(QWidget* dialog, int width, const char* title);

// The banner picture of the dialogs, centred in the band: Image1.
QLabel* MakeBanner(QWidget* band, int width);

// The centred white title under the banner: Label2.
QLabel* MakeBandTitle(QWidget* band, int width, const char* title);

// Lines only to be read, in its place: no frame, no wrapping, disabled so that nobody types into
// it, yet black on white rather than the greyed look of a disabled control.
QPlainTextEdit* MakeDisplayMemo(QWidget* dialog, const char* name, const QRect& place);

// How wide and high the edits of a dialog are, how far their labels end before them and the
// colour of their border.
struct TEditLook {
    int Width;
    int Height;
    int LabelGap;
    const char* Border;
};
// The sign-in dialogs' edits.
inline constexpr TEditLook kSignInEdit{250, 24, 6, "#A0A0A0"};
// The edits of the dialogs that take money, refunds and settings.
inline constexpr TEditLook kPayEdit{300, 26, 8, "#7A7A7A"};

// A one-line flat edit at (x, y) with its label right-aligned before it.
QLineEdit* MakeLabelledEdit(QWidget* dialog, const char* name, const char* label, int x, int y,
                            const TEditLook& look);

// A password edit: what is typed shows as "*", whatever the style's own mask character.
void MaskWithStars(QLineEdit* edit);

// The grey key tip, right-aligned in its place: LabelTip.
QLabel* MakeKeyTip(QWidget* dialog, const QRect& place, int fontPixels);

// The key tip of the sign-in dialogs, ending where their edits end.
QLabel* MakeSignInKeyTip(QWidget* dialog, int y, int right);

// The key tip of the other dialogs, ending at the right margin of a dialog this wide.
QLabel* MakePayKeyTip(QWidget* dialog, int y, int width);
