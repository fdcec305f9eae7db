#include "MessageBox.h"

#include <QMessageBox>

#include <QString>
#include <cstdio>
#include <cstdlib>

#include "ShownText.h"

namespace platform {
namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

// A program started by an end-to-end test has nobody to click its boxes: with
// VELPAY_TEST_MESSAGEBOXES naming a file, each box is appended there as "caption|text|flags"
// and answered with its first button (OK, or Yes).
int AnswerForTest(const char* logFile, const MessageBoxCall& call) {
    if (std::FILE* log = std::fopen(logFile, "ab")) {
        std::string line = call.caption + "|" + call.text + "|" + std::to_string(call.flags) + "\n";
        std::fwrite(line.data(), 1, line.size(), log);
        std::fclose(log);
    }
    return (call.flags & 0x0F) == MB_YESNO ? IDYES : IDOK;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

int MessageBoxA(QWidget* owner, const std::string& text, const std::string& caption,
                unsigned flags) {
    // Gateway messages reach the boxes as they came; the reply's log entry keeps them whole.
    const MessageBoxCall call{ShownText(text), caption, flags};
    if (Handler()) {
        return Handler()(call);
    }
    if (const char* logFile = std::getenv("VELPAY_TEST_MESSAGEBOXES")) {
        return AnswerForTest(logFile, call);
    }
    QMessageBox box(owner);
    box.setText(QString::fromStdString(call.text));
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
