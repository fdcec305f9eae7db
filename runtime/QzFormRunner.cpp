#include "QzFormRunner.h"

#include <QApplication>

#include <algorithm>
#include <map>

#include "QzErrors.h"

namespace {

std::string TrimUpper(const std::string& name) {
    size_t b = name.find_first_not_of(" \t\r\n");
    size_t e = name.find_last_not_of(" \t\r\n");
    std::string s = b == std::string::npos ? std::string() : name.substr(b, e - b + 1);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    return s;
}

std::map<std::string, FormFactory>& Registry() {
    static std::map<std::string, FormFactory> registry;
    return registry;
}

}  // namespace

void RegisterClass(const std::string& className, FormFactory factory) {
    Registry()[TrimUpper(className)] = std::move(factory);
}

void UnRegisterClass(const std::string& className) {
    Registry().erase(TrimUpper(className));
}

std::unique_ptr<Form> RunRegisteredForm(const std::string& FormClassName,
                                        const std::string& MethodName, const Variant& InParam,
                                        Variant& OutParam, bool FreeAfter, bool CallMethod,
                                        bool Show, bool ShowModal) {
    const std::string className = TrimUpper(FormClassName);
    auto found = Registry().find(className);
    if (found == Registry().end()) {
        throw Exception("[" + className + "]类不存在!");
    }

    std::unique_ptr<Form> form;
    try {
        form = found->second(nullptr);
    } catch (...) {
    }
    if (!form) {
        throw Exception("[" + className + "]类创建失败!");
    }
    // Whatever its close handling asks for, the form is destroyed by the runner (or by the
    // caller it is handed to), never by itself.
    form->SetHeld(true);

    const Form::Method* method = nullptr;
    if (CallMethod) {
        method = form->FindMethod(MethodName);
        if (!method) {
            throw Exception("[" + className + "]类中不存在[" + MethodName + "]模块!");
        }
    }

    // InParam is copied first: the caller may pass one variant as both InParam and OutParam.
    const Variant in = InParam;
    if (Show) {
        form->show();
    }
    if (CallMethod) {
        Variant result;
        (*method)(in, result);
        OutParam = result;
    }
    if (ShowModal) {
        form->ShowModal();
    }
    if (FreeAfter) {
        return nullptr;  // the form is destroyed here, also when a step above raised
    }
    return form;
}
