// A stand-in for the shop's cash-register program: top-level windows holding the controls its
// arguments name, shown to the desktop's accessibility tree.
//
//   cash_register --window=TITLE label=TEXT group=TITLE edit=TEXT end edit=TEXT --window=TITLE ...
//
// label, edit and button add a QLabel, a QLineEdit and a QPushButton; group=TITLE opens a
// QGroupBox that holds what follows until "end".
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    qputenv("QT_ACCESSIBILITY", "1");
    QApplication app(argc, argv);

    std::vector<std::unique_ptr<QWidget>> windows;
    std::vector<QWidget*> open;  // the window, then any groups opened inside it
    auto add = [&](QWidget* control) { open.back()->layout()->addWidget(control); };
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        const QString value = arg.section('=', 1);
        if (arg.startsWith("--window=")) {
            windows.push_back(std::make_unique<QWidget>());
            windows.back()->setWindowTitle(value);
            new QVBoxLayout(windows.back().get());
            open = {windows.back().get()};
        } else if (open.empty()) {
            return 2;
        } else if (arg.startsWith("label=")) {
            add(new QLabel(value));
        } else if (arg.startsWith("edit=")) {
            add(new QLineEdit(value));
        } else if (arg.startsWith("button=")) {
            add(new QPushButton(value));
        } else if (arg.startsWith("group=")) {
            auto* group = new QGroupBox(value);
            new QVBoxLayout(group);
            add(group);
            open.push_back(group);
        } else if (arg == "end" && open.size() > 1) {
            open.pop_back();
        } else {
            return 2;
        }
    }
    for (auto& window : windows) {
        window->show();
    }
    return app.exec();
}
