#pragma once

#include "Form.h"

// The client's main window.
class TForm_Main : public platform::Form {
public:
    explicit TForm_Main(QWidget* owner);
};
