#include "SignInFixture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>

#include <QApplication>

#include "FormInit.h"
#include "FormLogin.h"
#include "QzFormRunner.h"
#include "TrayIcon.h"
#include "VirtualKeys.h"

using namespace platform;

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
    GatewayFixture::TearDown();
}

void SignInFixture::ForgetStore() {
    InterfacePRM = TInterfacePRM();
}

Form* SignInFixture::StepTarget(const std::vector<Form*>& modal, const QString& caption) {
    Form* target = nullptr;
    for (Form* form : modal) {
        if (form->windowTitle() == caption) {
            target = form;  // the one opened last
        }
    }
    return target;
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
