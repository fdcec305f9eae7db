#include "PayLayout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "CashierAssets.h"
#include "QzColors.h"
#include "QzHotKey.h"

void SetUpDialog(QWidget* dialog, const char* caption, int width, int height,
                 const QColor& colour) {
    dialog->setWindowTitle(QString::fromUtf8(caption));
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(width, height);
    dialog->setFont(PixelFont("宋体", 14));
    PaintPanel(dialog, colour, Qt::black);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        dialog->move(screen->geometry().center() - dialog->rect().center());
    }
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

QLineEdit* MakePayEdit(QWidget* dialog, const char* name, const char* label, int x, int y) {
    auto* caption = new QLabel(QString::fromUtf8(label), dialog);
    caption->setGeometry(0, y, x - 8, 26);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(name);
    edit->setGeometry(x, y, 300, 26);
    edit->setFrame(false);
    edit->setStyleSheet("QLineEdit { border: 1px solid #7A7A7A; background: white; }");
    return edit;
}

QLabel* MakePayKeyTip(QWidget* dialog, int y, int width) {
    auto* tip = new QLabel(dialog);
    tip->setObjectName("LabelTip");
    tip->setGeometry(8, y, width - 24, 20);
    tip->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tip->setTextFormat(Qt::PlainText);
    tip->setFont(PixelFont("微软雅黑", 12));
    PaintPanel(tip, Qt::transparent, QColor(0x80, 0x80, 0x80));
    tip->setAutoFillBackground(false);
    return tip;
}

void ForceForegroundWhenShown(QWidget* dialog) {
    QTimer::singleShot(0, dialog, [dialog] { ForceForegroundWindow(dialog); });
}
