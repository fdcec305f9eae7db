#include "TodayDialogFixture.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>

#include "FormOrderDetail.h"
#include "FormRefundDetail.h"
#include "FormRefundQuery.h"
#include "FormTodayOrder.h"
#include "QzFormRunner.h"

using namespace platform;

void TodayDialogFixture::SetUp() {
    PayDialogFixture::SetUp();
    RegisterFormClass<TForm_Today_Order>("TForm_Today_Order");
    RegisterFormClass<TForm_Order_Detail>("TForm_Order_Detail");
    RegisterFormClass<TForm_Refund_Query>("TForm_Refund_Query");
    RegisterFormClass<TForm_Refund_Detail>("TForm_Refund_Detail");
}

Form* TodayDialogFixture::StepTarget(const std::vector<Form*>& modal, const QString& caption) {
    Form* target = PayDialogFixture::StepTarget(modal, caption);
    if (target && !target->isActiveWindow()) {
        // As the window system gives the activation back to a dialog whose child has closed.
        target->activateWindow();
        return nullptr;
    }
    return target;
}

std::vector<std::vector<std::string>> TodayDialogFixture::ListRows(Form& f) {
    const QAbstractItemModel* model = f.findChild<QTableView*>("ListData")->model();
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int c = 0; c < model->columnCount(); ++c) {
            row.push_back(model->index(r, c).data().toString().toStdString());
        }
    }
    return rows;
}

std::string TodayDialogFixture::Footer(Form& f) {
    for (const char* name : {"PanelOrderInfo", "PanelRefundTotal"}) {
        if (auto* footer = f.findChild<QLabel*>(name)) {
            return footer->text().toStdString();
        }
    }
    return "(no footer)";
}

std::vector<std::string> TodayDialogFixture::MemoLines(Form& f) {
    const QString text = f.findChild<QPlainTextEdit*>("MemoDetail")->toPlainText();
    std::vector<std::string> lines;
    if (!text.isEmpty()) {
        for (const QString& line : text.split('\n')) {
            lines.push_back(line.toStdString());
        }
    }
    return lines;
}

void TodayDialogFixture::ExpectColumns(Form& f,
                                       const std::vector<std::pair<std::string, int>>& columns) {
    auto* list = f.findChild<QTableView*>("ListData");
    ASSERT_EQ(list->model()->columnCount(), static_cast<int>(columns.size()));
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString().toStdString(),
                  columns[c].first);
        EXPECT_EQ(list->columnWidth(c), columns[c].second);
    }
}

int TodayDialogFixture::SelectedRow(Form& f) {
    const QModelIndexList rows =
        f.findChild<QTableView*>("ListData")->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::vector<std::string> TodayDialogFixture::Boxes() const {
    std::vector<std::string> texts;
    for (const MessageBoxCall& box : boxes) {
        texts.push_back(box.caption + "|" + box.text);
    }
    return texts;
}

void TodayDialogFixture::ExpectBox(const std::string& box) const {
    EXPECT_EQ(Boxes(), box.empty() ? std::vector<std::string>{} : std::vector<std::string>{box});
}

std::vector<std::string> TodayDialogFixture::ReprintSlip(const char* title,
                                                         const std::vector<std::string>& detail) {
    std::vector<std::string> lines = {title, "", "所属商户:海川测试商户", "门店名称:测试门店一号",
                                      "操作员编号:1001"};
    lines.insert(lines.end(), detail.begin(), detail.end());
    lines.insert(lines.end(), {"", ""});
    return lines;
}

void ListReplies::CheckListReply(const char* className, const char* caption, const char* op) {
    const ListCase& c = GetParam();
    Reply(op, c.reply);
    Then(caption, [&c](Form& f) {
        const auto rows = ListRows(f);
        EXPECT_EQ(rows.size(), c.rows);
        for (size_t i = 0; i < c.firstRows.size() && i < rows.size(); ++i) {
            EXPECT_EQ(rows[i], c.firstRows[i]) << "row " << i;
        }
        EXPECT_EQ(Footer(f), c.footer);
        Press(f, Qt::Key_Escape);
    });
    Run(className);
    ExpectBox(c.box);
    const std::string caught = "错误|";
    if (c.box.rfind(caught, 0) == 0) {
        EXPECT_NE(LogText().find(c.box.substr(caught.size())), std::string::npos) << LogText();
    }
}

std::string CaseName(const ::testing::TestParamInfo<ListCase>& info) {
    return info.param.name;
}

void DetailReplies::CheckDetailReply(const char* className, const char* caption, const char* op,
                                     const Variant& in, const char* slipTitle) {
    const DetailCase& c = GetParam();
    Reply(op, c.reply);
    Then(caption, [this, &c, slipTitle](Form& f) {
        EXPECT_EQ(MemoLines(f), c.memo);
        Press(f, Qt::Key_Return);
        ExpectPrinted(ReprintSlip(slipTitle, c.memo));
        Press(f, Qt::Key_Escape);
    });
    Run(className, in);
    ExpectBox(c.box);
}

std::string DetailCaseName(const ::testing::TestParamInfo<DetailCase>& info) {
    return info.param.name;
}

std::string Today() {
    return QDate::currentDate().toString("yyyy-MM-dd").toStdString();
}

std::string JsonOrders(int count, const std::string& fee, size_t padding) {
    std::string json = "[";
    const std::string pad(padding, 'x');
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        json += std::string(i > 1 ? "," : "") + R"({"trade_time": "2026-12-09 10:00:)" + n +
                R"(", "out_trade_no": "T)" + n + R"(", "transaction_id": "W)" + n + pad +
                R"(", "total_fee": ")" + fee + R"(", "trade_state": "SUCCESS"})";
    }
    return json + "]";
}
