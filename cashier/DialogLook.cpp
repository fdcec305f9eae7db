#include "DialogLook.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>

#include "CashierAssets.h"
#include "Form.h"
#include "QzColors.h"

void SetUpDialog(platform::Form* dialog, const char* caption, int width, int height,
                 const QColor& colour) {
    dialog->setWindowTitle(QString::fromUtf8(caption));
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setWindowIcon(ApplicationIcon());
    dialog->setFixedSize(width, height);
    dialog->setFont(PixelFont("宋体", 14));
    PaintPanel(dialog, colour, Qt::black);
    dialog->CentreOnScreen();
}

QFont PixelFont(const char* family, int pixels) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    return font;
}

void PaintPanel(QWidget* widget, const QColor& background, const QColor& text) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

QWidget* MakeTopBand(QWidget* dialog, int width) {
    auto* band = new QWidget(dialog);
    band->setObjectName("Panel1");
    band->setGeometry(0, 0, width, 80);
    PaintPanel(band, kClHighlight, Qt::white);
    return band;
}

QLabel* MakeTitleBand(QWidget* dialog, int width, const char* title) {
    auto* band = new QLabel(QString::fromUtf8(title), dialog);
    band->setObjectName("Panel1");
    band->setGeometry(0, 0, width, 80);
    band->setAlignment(Qt::AlignCenter);
    band->setFont(PixelFont("微软雅黑", 14));
    PaintPanel(band, kClHighlight, Qt::white);
    return band;
}

QLabel* MakeBanner(QWidget* band, int width) {
    auto* image = new QLabel(band);
    image->setObjectName("Image1");
    image->setGeometry(0, 8, width, 33);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(AssetPicture("banner"));
    return image;
}

QLabel* MakeBandTitle(QWidget* band, int width, const char* title) {
    auto* label = new QLabel(QString::fromUtf8(title), band);
    label->setObjectName("Label2");
    label->setGeometry(0, 45, width, 28);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(PixelFont("微软雅黑", 18));
    PaintPanel(label, Qt::transparent, Qt::white);
    label->setAutoFillBackground(false);
    return label;
}

QPlainTextEdit* MakeDisplayMemo(QWidget* dialog, const char* name, const QRect& place) {
    auto* memo = new QPlainTextEdit(dialog);
    memo->setObjectName(name);
    memo->setGeometry(place);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setFont(PixelFont("宋体", 14));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setEnabled(false);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    memo->setPalette(palette);
    return memo;
}

QLineEdit* MakeLabelledEdit(QWidget* dialog, const char* name, const char* label, int x, int y,
                            const TEditLook& look) {
    auto* caption = new QLabel(QString::fromUtf8(label), dialog);
    caption->setGeometry(0, y, x - look.LabelGap, look.Height);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(name);
    edit->setGeometry(x, y, look.Width, look.Height);
    edit->setFrame(false);
    edit->setStyleSheet(QString("QLineEdit { border: 1px solid %1; background: white; }")
                            .arg(QString::fromLatin1(look.Border)));
    return edit;
}

void MaskWithStars(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(edit->styleSheet() + " QLineEdit { lineedit-password-character: 42; }");
    // An edit reads its mask character only when told that its style changed, which a sheet
    // added to, or set before the edit is polished, does not always do: so it is told here.
    edit->ensurePolished();
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(edit, &change);
}

QLabel* MakeKeyTip(QWidget* dialog, const QRect& place, int fontPixels) {
    auto* tip = new QLabel(dialog);
    tip->setObjectName("LabelTip");
    tip->setGeometry(place);
    tip->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tip->setTextFormat(Qt::PlainText);
    tip->setFont(PixelFont("微软雅黑", fontPixels));
    PaintPanel(tip, Qt::transparent, QColor(0x80, 0x80, 0x80));
    tip->setAutoFillBackground(false);
    return tip;
}

QLabel* MakeSignInKeyTip(QWidget* dialog, int y, int right) {
    return MakeKeyTip(dialog, QRect(0, y, right, 22), 14);
}

QLabel* MakePayKeyTip(QWidget* dialog, int y, int width) {
    return MakeKeyTip(dialog, QRect(8, y, width - 24, 20), 12);
}
