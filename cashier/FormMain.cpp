#include "FormMain.h"

#include "QzRuntimeGlobal.h"

TForm_Main::TForm_Main(QWidget* owner) : Form(owner) {
    setObjectName("Form_Main");
    setWindowTitle(QString::fromStdString(AppTitle));
    setFixedSize(386, 579);
}
