#pragma once

#include <QApplication>

namespace platform {

// The application object of both programs. It gives every key event to the form it is meant
// for before the focused control sees it, and reports an error that no handler caught in a box
// with the application title, as the programs have always done, instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The title the default error box shows.
    static void SetTitle(const std::string& title);
    static std::string Title();
};

}  // namespace platform
