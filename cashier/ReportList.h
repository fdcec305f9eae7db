#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include <string>
#include <vector>

#include "ReportRows.h"

// The rows of a report list; the view asks only for the rows it shows, so a long day's list
// costs little more than its texts.
class TReportRowsModel : public QAbstractTableModel {
public:
    TReportRowsModel(QObject* parent, std::vector<std::string> headers);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const TReportRows& Rows() const { return rows_; }

private:
    friend class TReportList;
    std::vector<QString> headers_;
    TReportRows rows_;
};

// A report-style list: column headers, grid lines, whole-row selection, read-only.
class TReportList : public QTableView {
public:
    struct TColumn {
        const char* Header;
        int Width;
    };
    TReportList(QWidget* parent, const char* name, const std::vector<TColumn>& columns);

    // Changes the rows in place; the list shows them when the edit ends, however it ends.
    class TEdit {
    public:
        explicit TEdit(TReportList& list);
        ~TEdit();
        TEdit(const TEdit&) = delete;
        TEdit& operator=(const TEdit&) = delete;
        TReportRows& Rows() { return list_.model_->rows_; }

    private:
        TReportList& list_;
    };

    const TReportRows& Rows() const { return model_->Rows(); }
    int RowCount() const { return static_cast<int>(model_->rows_.size()); }
    // The first selected row, -1 when none is.
    int SelectedRow() const;
    // Marks the row selected, leaving the current (focus) row as it is.
    void SelectRow(int row);

private:
    TReportRowsModel* model_;
};
