#include "SignInCommon.h"

#include <QLabel>
#include <QLineEdit>

#include "CashierAssets.h"
#include "MessageBox.h"
#include "QzColors.h"
#include "QzLog.h"

namespace {

constexpr int kEditWidth = 250;
constexpr int kEditHeight = 24;

QFont PixelFont(const char* family, int pixels) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    return font;
}

void Paint(QWidget* widget, const QColor& background, const QColor& text) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

}  // namespace

void SetUpSignInDialog(QWidget* dialog, const char* caption, int width, int height) {
    dialog->setWindowTitle(QString::fromUtf8(caption));
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setWindowIcon(ApplicationIcon());
    dialog->setFixedSize(width, height);
    dialog->setFont(PixelFont("宋体", 14));
    Paint(dialog, kClWindow, Qt::black);
}

QLabel* MakeTitleBand(QWidget* dialog, int width, const char* title) {
    auto* band = new QLabel(QString::fromUtf8(title), dialog);
    band->setObjectName("Panel1");
    band->setGeometry(0, 0, width, 80);
    band->setAlignment(Qt::AlignCenter);
    band->setFont(PixelFont("微软雅黑", 14));
    Paint(band, kClHighlight, Qt::white);
    return band;
}

QLineEdit* MakeLabelledEdit(QWidget* dialog, const char* name, const char* label, int x, int y) {
    auto* caption = new QLabel(QString::fromUtf8(label), dialog);
    caption->setGeometry(0, y, x - 6, kEditHeight);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(name);
    edit->setGeometry(x, y, kEditWidth, kEditHeight);
    edit->setFrame(false);
    edit->setStyleSheet("QLineEdit { border: 1px solid #A0A0A0; background: white; }");
    return edit;
}

QLabel* MakeKeyTip(QWidget* dialog, int y, int right) {
    auto* tip = new QLabel(dialog);
    tip->setObjectName("LabelTip");
    tip->setGeometry(0, y, right, 22);
    tip->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tip->setFont(PixelFont("微软雅黑", 14));
    Paint(tip, kClWindow, QColor(0x80, 0x80, 0x80));
    tip->setAutoFillBackground(false);
    return tip;
}

std::string TrimmedText(const QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') {
        --end;
    }
    return text.substr(begin, end - begin);
}

void ReportCaughtError(QWidget* owner, const std::exception& error) {
    try {
        WriteLog(error.what());
    } catch (const std::exception&) {
    }
    platform::MessageBoxA(owner, error.what(), "错误", platform::MB_ICONINFORMATION);
}
