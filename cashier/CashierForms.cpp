#include "CashierForms.h"

#include "FormCodePay.h"
#include "FormCodePayDetail.h"
#include "FormInit.h"
#include "FormLogin.h"
#include "FormMain.h"
#include "FormMicroPay.h"
#include "FormMore.h"
#include "FormOrderDetail.h"
#include "FormPayResult.h"
#include "FormPrinterSet.h"
#include "FormPub_Logo.h"
#include "FormRefund.h"
#include "FormRefundDetail.h"
#include "FormRefundQuery.h"
#include "FormTodayOrder.h"
#include "FormTodayTotal.h"
#include "QzFormRunner.h"

void RegisterCashierForms() {
    RegisterFormClass<TForm_Pub_Logo>("TForm_Pub_Logo");
    RegisterFormClass<TForm_Main>("TForm_Main");
    RegisterFormClass<TForm_Init>("TForm_Init");
    RegisterFormClass<TForm_Login>("TForm_Login");
    RegisterFormClass<TForm_Micro_Pay>("TForm_Micro_Pay");
    RegisterFormClass<TForm_Pay_Result>("TForm_Pay_Result");
    RegisterFormClass<TForm_Code_Pay>("TForm_Code_Pay");
    RegisterFormClass<TForm_Code_Pay_Detail>("TForm_Code_Pay_Detail");
    RegisterFormClass<TForm_Printer_Set>("TForm_Printer_Set");
    RegisterFormClass<TForm_More>("TForm_More");
    RegisterFormClass<TForm_Refund>("TForm_Refund");
    RegisterFormClass<TForm_Today_Total>("TForm_Today_Total");
    RegisterFormClass<TForm_Refund_Query>("TForm_Refund_Query");
    RegisterFormClass<TForm_Refund_Detail>("TForm_Refund_Detail");
    RegisterFormClass<TForm_Today_Order>("TForm_Today_Order");
    RegisterFormClass<TForm_Order_Detail>("TForm_Order_Detail");
}
