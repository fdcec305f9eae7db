#include "CashierForms.h"

#include "FormInit.h"
#include "FormLogin.h"
#include "FormMain.h"
#include "FormPub_Logo.h"
#include "QzFormRunner.h"

void RegisterCashierForms() {
    RegisterFormClass<TForm_Pub_Logo>("TForm_Pub_Logo");
    RegisterFormClass<TForm_Main>("TForm_Main");
    RegisterFormClass<TForm_Init>("TForm_Init");
    RegisterFormClass<TForm_Login>("TForm_Login");
}
