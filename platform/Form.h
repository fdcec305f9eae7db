#pragma once

#include <QDialog>
#include <QPointer>

class QEventLoop;

#include <functional>
#include <map>
#include <string>

#include "Variant.h"

class QKeyEvent;

namespace platform {

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

enum class CloseAction { caNone, caHide, caFree, caMinimize };

// The dialog base every window of the programs derives from. It gives the habits the windows
// were written for: the form sees every key first as a virtual-key code (a key set to 0 is
// consumed), character filters, a modal show that returns a modal result, close handling that
// may refuse, and methods published by name for the form runner.
class Form : public QDialog {
public:
    using Method = std::function<void(const Variant& in, Variant& out)>;

    explicit Form(QWidget* owner = nullptr);
    ~Form() override;

    // Shows the form modally and returns its modal result once it has closed. The modal show
    // lasts until a result is set or the form closes: hiding the form does not end it.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    // A result other than mrNone ends a modal show.
    void SetModalResult(int result);
    bool IsModalShowing() const { return modalShowing_; }

    // Asks the form to close; FormClose decides whether it hides, is freed or stays. A form
    // that is freed goes once the event that closed it has been handled (after its modal show
    // has returned), never from inside its own handlers.
    void Close();
    // A held form is destroyed by its holder (the form runner, or whoever keeps the form the
    // runner gave back): a "free" close only hides it.
    void SetHeld(bool held) { held_ = held; }

    // The object name of the control that has (or last had) the focus in this form.
    std::string ActiveControlName() const;
    // Moves the focus to the next or previous control in tab order, wrapping at the ends.
    void SelectNextControl(bool forward);
    // Drops the selection of the focused edit, leaving the caret where it is.
    void DropActiveSelection();

    // The methods the form runner may call, looked up without regard to ASCII case.
    const Method* FindMethod(const std::string& name) const;

    // Closing the main form ends the program.
    void SetMainForm(bool isMain) { isMainForm_ = isMain; }

    // Puts the form in the middle of the primary screen.
    void CentreOnScreen();
    // Brings the form just shown to the front once the window system has its window (a window
    // that is only being shown cannot come to the front yet); not if it has been hidden or
    // minimised by then.
    void BringToFrontWhenShown();

protected:
    void Publish(const std::string& name, Method method);

    // Per-control key handlers, called after the form's own (as a control's OnKeyDown and
    // OnKeyPress come after the form's key preview).
    void OnControlKeyDown(QWidget* control, std::function<void(int& key)> handler);
    void OnControlKeyPress(QWidget* control, std::function<void(char32_t& ch)> handler);
    // Per-control enter handlers: run when the focus comes to the control from another control
    // of this form (a key, a click, the program), not when the form becomes active again with
    // the control still focused, as after another window, a box or a dialog it opened.
    void OnControlEnter(QWidget* control, std::function<void()> handler);

    virtual void FormKeyDown(int& /*key*/) {}
    virtual void FormKeyPress(char32_t& /*ch*/) {}
    virtual void FormShow() {}
    virtual void FormClose(CloseAction& /*action*/) {}
    // Windows messages the form handles itself (hook and tray messages).
    virtual void WndProc(unsigned /*msg*/, uintptr_t /*wParam*/, intptr_t /*lParam*/) {}

    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    // Key preview: the application hands every key event to the form of the widget it is for,
    // once, before the widget sees it. True when the form consumed the key.
    bool PreviewKey(QWidget* receiver, QKeyEvent* event);

    // Delivers a Windows-style message to the form's WndProc from any code on the UI thread.
    void PostMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);
    void SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
        WndProc(msg, wParam, lParam);
    }

private:
    bool HandleKeyPress(QWidget* receiver, QKeyEvent* event);
    void FocusChanged(QWidget* now);

    std::map<std::string, Method> methods_;
    std::map<QWidget*, std::function<void(int&)>> controlKeyDown_;
    std::map<QWidget*, std::function<void(char32_t&)>> controlKeyPress_;
    std::map<QWidget*, std::function<void()>> controlEnter_;
    // The control of this form that the focus last came to: the window keeps it while another
    // window is active, and gives it the focus back when it is activated again.
    QPointer<QWidget> enteredControl_;
    QMetaObject::Connection focusChanges_;
    int modalResult_ = mrNone;
    bool modalShowing_ = false;
    QEventLoop* modalLoop_ = nullptr;
    bool isMainForm_ = false;
    bool held_ = false;
    bool freeAfterModal_ = false;
    // A character changed by a filter is sent on as a new event that must not be filtered again.
    bool substituting_ = false;
};

// Runs f, and shows what it throws the way the application reports an error nobody caught:
// the error's text in a box with the application's title and the error icon. The program goes on.
void ReportUncaught(const std::function<void()>& f);

}  // namespace platform
