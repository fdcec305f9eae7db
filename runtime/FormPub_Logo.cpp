#include "FormPub_Logo.h"

#include <QLabel>
#include <QThread>

#include "QzColors.h"

TForm_Pub_Logo::TForm_Pub_Logo(QWidget* owner) : Form(owner), lblInfo(new QLabel(this)) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setFixedSize(358, 44);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kClMoneyGreen);
    setPalette(palette);

    lblInfo->setObjectName("lblInfo");
    lblInfo->setGeometry(0, 44 - 28, 358, 28);
    lblInfo->setAlignment(Qt::AlignCenter);
    lblInfo->setWordWrap(true);
    QFont font("宋体");
    font.setPixelSize(14);
    font.setBold(true);
    lblInfo->setFont(font);
    lblInfo->setStyleSheet("color: red; background: transparent;");

    Publish("DispInfo", [this](const platform::Variant& in, platform::Variant&) { DispInfo(in); });

    CentreOnScreen();
    show();
}

void TForm_Pub_Logo::DispInfo(const platform::Variant& Info) {
    if (Info.IsString() && Info.AsString() == "CLOSE") {
        return;
    }
    lblInfo->setText(QString::fromStdString(Info.AsString()));
    repaint();
    QThread::msleep(1000);
}

void TForm_Pub_Logo::FormClose(platform::CloseAction& action) {
    action = platform::CloseAction::caFree;
}
