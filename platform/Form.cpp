#include "Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <utility>

#include "Application.h"
#include "Foreground.h"
#include "MessageBox.h"
#include "VirtualKeys.h"

namespace platform {
namespace {

std::string LowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return s;
}

}  // namespace

void ReportUncaught(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), Application::Title(), MB_ICONERROR);
    }
}

Form::Form(QWidget* owner) : QDialog(owner) {}

Form::~Form() {
    // The controls are destroyed after this part of the form: the focus changes that brings
    // must not reach it.
    disconnect(focusChanges_);
    if (modalLoop_) {
        modalLoop_->exit();
    }
}

void Form::Publish(const std::string& name, Method method) {
    methods_[LowerAscii(name)] = std::move(method);
}

const Form::Method* Form::FindMethod(const std::string& name) const {
    auto it = methods_.find(LowerAscii(name));
    return it == methods_.end() ? nullptr : &it->second;
}

void Form::OnControlKeyDown(QWidget* control, std::function<void(int&)> handler) {
    controlKeyDown_[control] = std::move(handler);
}

void Form::OnControlKeyPress(QWidget* control, std::function<void(char32_t&)> handler) {
    controlKeyPress_[control] = std::move(handler);
}

void Form::OnControlEnter(QWidget* control, std::function<void()> handler) {
    if (controlEnter_.empty()) {
        enteredControl_ = focusWidget();
        focusChanges_ = connect(qApp, &QApplication::focusChanged, this,
                                [this](QWidget*, QWidget* now) { FocusChanged(now); });
    }
    controlEnter_[control] = std::move(handler);
}

void Form::FocusChanged(QWidget* now) {
    if (!now || now->window() != this || now == enteredControl_) {
        return;
    }
    enteredControl_ = now;
    auto enter = controlEnter_.find(now);
    if (enter != controlEnter_.end()) {
        ReportUncaught(enter->second);
    }
}

int Form::ShowModal() {
    // Not QDialog::exec: that show ends as soon as the dialog is hidden, and the sign-in dialogs
    // hide to the tray while their modal show goes on.
    modalResult_ = mrNone;
    modalShowing_ = true;
    setModal(true);
    QPointer<Form> self(this);
    QEventLoop loop;
    modalLoop_ = &loop;
    show();
    loop.exec(QEventLoop::DialogExec);
    if (!self) {
        return mrCancel;
    }
    modalLoop_ = nullptr;
    modalShowing_ = false;
    if (std::exchange(freeAfterModal_, false)) {
        deleteLater();
    }
    return modalResult_;
}

void Form::done(int result) {
    QDialog::done(result);
    if (modalLoop_) {
        modalLoop_->exit();
    }
}

void Form::SetModalResult(int result) {
    modalResult_ = result;
    if (result != mrNone && modalShowing_) {
        done(result);
    }
}

void Form::Close() {
    close();
}

std::string Form::ActiveControlName() const {
    QWidget* focus = focusWidget();
    return focus ? focus->objectName().toStdString() : std::string();
}

void Form::SelectNextControl(bool forward) {
    focusNextPrevChild(forward);
}

void Form::DropActiveSelection() {
    QWidget* focus = focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        edit->deselect();
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(focus)) {
        QTextCursor cursor = memo->textCursor();
        cursor.clearSelection();
        memo->setTextCursor(cursor);
    }
}

void Form::CentreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

void Form::BringToFrontWhenShown() {
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !isMinimized()) {
            BringToFront(this);
        }
    });
}

void Form::PostMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    QPointer<Form> self(this);
    QTimer::singleShot(0, this, [self, msg, wParam, lParam] {
        if (self) {
            ReportUncaught([&] { self->WndProc(msg, wParam, lParam); });
        }
    });
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ReportUncaught([this] { FormShow(); });
    }
}

void Form::closeEvent(QCloseEvent* event) {
    CloseAction action = CloseAction::caHide;
    ReportUncaught([&] { FormClose(action); });
    if (action == CloseAction::caNone) {
        event->ignore();
        return;
    }
    event->accept();
    if (action == CloseAction::caMinimize) {
        event->ignore();
        showMinimized();
        return;
    }
    const bool freed = action == CloseAction::caFree && !held_;
    if (modalShowing_) {
        if (modalResult_ == mrNone) {
            modalResult_ = mrCancel;
        }
        // Freed when ShowModal has returned: whoever waits in it still gets the result.
        freeAfterModal_ = freed;
        done(modalResult_);
    } else {
        hide();
        if (freed) {
            deleteLater();
        }
    }
    if (isMainForm_) {
        QApplication::quit();
    }
}

void Form::keyPressEvent(QKeyEvent* event) {
    // The dialog's own Esc (reject) and Enter (default button) are not the habits these
    // windows were written for; every key is handled through FormKeyDown instead.
    QWidget::keyPressEvent(event);
}

bool Form::PreviewKey(QWidget* receiver, QKeyEvent* event) {
    if (substituting_) {
        return false;
    }
    NoteKeyEvent(*event);
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    bool consumed = false;
    ReportUncaught([&] { consumed = HandleKeyPress(receiver, event); });
    return consumed;
}

bool Form::HandleKeyPress(QWidget* receiver, QKeyEvent* event) {
    QPointer<QWidget> target(receiver);
    int key = VirtualKeyFromEvent(*event);
    if (key != 0) {
        FormKeyDown(key);
        if (key == 0) {
            return true;
        }
        auto down = controlKeyDown_.find(receiver);
        if (target && down != controlKeyDown_.end()) {
            down->second(key);
            if (key == 0) {
                return true;
            }
        }
    }
    QString text = event->text();
    bool commandChord = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (text.size() != 1 || commandChord || !target) {
        return false;
    }
    char32_t ch = text.at(0).unicode();
    char32_t original = ch;
    FormKeyPress(ch);
    auto press = controlKeyPress_.find(receiver);
    if (ch != 0 && target && press != controlKeyPress_.end()) {
        press->second(ch);
    }
    if (ch == 0) {
        return true;
    }
    if (ch != original && target) {
        QString replaced = QString::fromUcs4(&ch, 1);
        QKeyEvent substitute(event->type(), event->key(), event->modifiers(), replaced);
        substituting_ = true;
        QApplication::sendEvent(receiver, &substitute);
        substituting_ = false;
        return true;
    }
    return false;
}

}  // namespace platform
