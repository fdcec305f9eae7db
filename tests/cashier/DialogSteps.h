#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "Form.h"
#include "GatewayFixture.h"

// Dialogs run modally, so a test lays out what the cashier does before it opens one: each step
// waits until the fixture's rule finds the modal window with the step's caption, then acts on
// it (types, presses keys). A step that never comes fails the test and ends the modal shows, so
// no test hangs.
class DialogStepsFixture : public GatewayFixture {
protected:
    using Action = std::function<void(platform::Form&)>;

    explicit DialogStepsFixture(std::chrono::seconds stepTimeout) : stepTimeout_(stepTimeout) {}

    // When the modal window captioned caption comes, do action to it.
    void Then(const char* caption, Action action);
    // Runs body, which opens modal windows, while the steps are carried out.
    void Run(const std::function<void()>& body);

    // The window the next step, for caption, acts on now; nullptr to wait for the next tick.
    // modal holds every form whose modal show is running.
    virtual platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                                       const QString& caption) = 0;

    // Keys to the focused control of a form (the form itself when none has the focus).
    static void Type(platform::Form& form, const QString& text);
    static void Press(platform::Form& form, int qtKey, Qt::KeyboardModifiers modifiers = {});
    static std::string Text(platform::Form& form, const char* editName);
    static void SetText(platform::Form& form, const char* editName, const QString& text);

private:
    struct Step {
        QString caption;
        Action action;
    };
    void Tick(int run);

    const std::chrono::seconds stepTimeout_;
    std::chrono::steady_clock::time_point lastProgress_;
    std::vector<Step> steps_;
    // Owns the ticks: a tick still pending when the test ends dies with it.
    QObject ticks_;
    int run_ = 0;
    bool timedOut_ = false;
};
