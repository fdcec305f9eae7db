#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Form.h"
#include "Variant.h"

using platform::Form;
using platform::Variant;

// Windows are opened by the name of their class, through a registry filled when the program
// starts; the main window and the dialogs know each other only by these names.
using FormFactory = std::function<std::unique_ptr<Form>(QWidget* owner)>;

void RegisterClass(const std::string& className, FormFactory factory);
void UnRegisterClass(const std::string& className);

template <typename T>
void RegisterFormClass(const std::string& className) {
    RegisterClass(className, [](QWidget* owner) { return std::make_unique<T>(owner); });
}

// Creates the form of class FormClassName, calls its published method MethodName with InParam
// and puts the result in OutParam, shows it as asked and, with FreeAfter, destroys it. Raises
// Exception "[%s]类不存在!", "[%s]类创建失败!" or "[%s]类中不存在[%s]模块!"; a failure of the
// method or the show reaches the caller unchanged, the form destroyed all the same. The form is
// held (Form::SetHeld) by the runner, and without FreeAfter by the caller it is handed to: its
// own close handling never destroys it.
std::unique_ptr<Form> RunRegisteredForm(const std::string& FormClassName,
                                        const std::string& MethodName, const Variant& InParam,
                                        Variant& OutParam, bool FreeAfter, bool CallMethod,
                                        bool Show, bool ShowModal);
