#include "SignInFixture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <chrono>

#include "FormInit.h"
#include "FormLogin.h"
#include "QzFormRunner.h"
#include "TrayIcon.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

// How long a run may wait for its next step; longer than a gateway's read time-out.
constexpr auto kStepTimeout = std::chrono::seconds(20);

std::chrono::steady_clock::time_point lastProgress;

}  // namespace

MemFileForTest::MemFileForTest() {
    const int fd = shm_open("/_ORV_MEM_FILE", O_CREAT | O_RDWR, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 4096), 0);
    close(fd);
}

MemFileForTest::~MemFileForTest() {
    shm_unlink("/_ORV_MEM_FILE");
}

bool MemFileForTest::ExistsAlready() {
    const int fd = shm_open("/_ORV_MEM_FILE", O_RDONLY, 0);
    if (fd >= 0) {
        close(fd);
    }
    return fd >= 0;
}

void SignInFixture::SetUp() {
    GatewayFixture::SetUp();
    savedShortCutSet_ = ShortCutSet;
    savedSyyInfo_ = SyyInfo;
    InterfacePRM.MchName = "海川测试商户";
    InterfacePRM.StoreName = "测试门店一号";
    SyyInfo = {};
    ShortCutSet = {"ESC", "0", "ESC"};
    ConfigIni = std::make_unique<TIniFile>(folder_.File("Config/Config.ini"));
    std::filesystem::create_directories(folder_.File("Config"));
    std::filesystem::create_directories(folder_.File("Parameter"));
    SetTrayAvailableForTesting(true);
    SetLockStatesForTesting(LockStates{false, true});

    RegisterFormClass<TForm_Init>("TForm_Init");
    RegisterFormClass<TForm_Login>("TForm_Login");
    SetMessageBoxHandler([this](const MessageBoxCall& call) {
        QWidget* window = QApplication::activeModalWidget();
        QWidget* focus = window ? window->focusWidget() : QApplication::focusWidget();
        boxes.push_back({call, focus ? focus->objectName().toStdString() : std::string()});
        return IDOK;
    });
}

void SignInFixture::TearDown() {
    SetMessageBoxHandler(nullptr);
    SetTrayAvailableForTesting(std::nullopt);
    SetLockStatesForTesting(std::nullopt);
    ConfigIni.reset();
    ShortCutSet = savedShortCutSet_;
    SyyInfo = savedSyyInfo_;
    GatewayFixture::TearDown();
}

void SignInFixture::ForgetStore() {
    InterfacePRM = TInterfacePRM();
}

void SignInFixture::Then(const char* caption, Action action) {
    steps_.push_back({QString::fromUtf8(caption), std::move(action)});
}

void SignInFixture::Run(const std::function<void()>& body) {
    const int run = ++run_;
    timedOut_ = false;
    lastProgress = std::chrono::steady_clock::now();
    QTimer::singleShot(0, &ticks_, [this, run] { Tick(run); });
    body();
    ++run_;
    EXPECT_FALSE(timedOut_) << "a step did not come: "
                            << (steps_.empty() ? "(a dialog stayed open)"
                                               : steps_.front().caption.toStdString());
    if (!steps_.empty()) {
        ADD_FAILURE() << steps_.size() << " steps left, the next for "
                      << steps_.front().caption.toStdString();
    }
    steps_.clear();
}

void SignInFixture::Tick(int run) {
    if (run != run_) {
        return;
    }
    // The next tick is due before the step acts: the step may open a modal window of its own.
    QTimer::singleShot(5, &ticks_, [this, run] { Tick(run); });

    Form* top = nullptr;
    std::vector<Form*> modal;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<Form*>(widget); form && form->IsModalShowing()) {
            modal.push_back(form);
            if (!steps_.empty() && form->windowTitle() == steps_.front().caption) {
                top = form;
            }
        }
    }
    if (std::chrono::steady_clock::now() - lastProgress > kStepTimeout) {
        timedOut_ = true;
        ++run_;
        for (Form* form : modal) {
            form->SetModalResult(mrCancel);
        }
        return;
    }
    if (top) {
        Step step = std::move(steps_.front());
        steps_.erase(steps_.begin());
        lastProgress = std::chrono::steady_clock::now();
        step.action(*top);
    }
}

void SignInFixture::Type(Form& form, const QString& text) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClicks(target, text);
}

void SignInFixture::Press(Form& form, int qtKey, Qt::KeyboardModifiers modifiers) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClick(target, static_cast<Qt::Key>(qtKey), modifiers);
}

std::string SignInFixture::Text(Form& form, const char* editName) {
    return form.findChild<QLineEdit*>(editName)->text().toStdString();
}

void SignInFixture::SignInAs(Form& form, const QString& account, const QString& password) {
    Type(form, account);
    Press(form, Qt::Key_Return);
    Type(form, password);
    Press(form, Qt::Key_Return);
}

std::vector<std::string> SignInFixture::BoxTexts() const {
    std::vector<std::string> texts;
    for (const Box& box : boxes) {
        texts.push_back(box.call.text);
    }
    return texts;
}
