#pragma once

#include "Form.h"

class QLabel;

// A borderless information strip: DispInfo shows a line and holds it for a second.
class TForm_Pub_Logo : public platform::Form {
public:
    explicit TForm_Pub_Logo(QWidget* owner);

    void DispInfo(const platform::Variant& Info);

protected:
    void FormClose(platform::CloseAction& action) override;

private:
    QLabel* lblInfo;
};
