#include "MessageBox.h"

#include <QMessageBox>
#include <QString>

namespace platform {
namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

int MessageBoxA(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) {
    if (Handler()) {
        return Handler()({text, caption, flags});
    }
    QMessageBox box(owner);
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    box.setIcon((flags & 0xF0) == MB_ICONERROR ? QMessageBox::Critical : QMessageBox::Information);
    if ((flags & 0x0F) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

}  // namespace platform
