#include "CashierAssets.h"

#include <QApplication>

#include "JpegImage.h"

QPixmap AssetPicture(const char* name) {
    return QPixmap::fromImage(platform::LoadJpeg(std::string(":/assets/") + name + ".jpg"));
}

QIcon ApplicationIcon() {
    if (QApplication::windowIcon().isNull()) {
        QApplication::setWindowIcon(QIcon(AssetPicture("icon")));
    }
    return QApplication::windowIcon();
}
