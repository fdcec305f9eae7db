#include "CashierForms.h"

#include "FormPub_Logo.h"
#include "QzFormRunner.h"

void RegisterCashierForms() { RegisterFormClass<TForm_Pub_Logo>("TForm_Pub_Logo"); }
