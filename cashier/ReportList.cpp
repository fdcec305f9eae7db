#include "ReportList.h"

#include <QHeaderView>

#include "DialogLook.h"
#include "ShownText.h"

TReportRowsModel::TReportRowsModel(QObject* parent, std::vector<std::string> headers)
    : QAbstractTableModel(parent) {
    for (const std::string& header : headers) {
        headers_.push_back(QString::fromStdString(header));
    }
}

int TReportRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TReportRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TReportRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    const TReportRow& row = rows_[static_cast<size_t>(index.row())];
    const auto column = static_cast<size_t>(index.column());
    return column < row.size() ? QString::fromStdString(platform::ShownText(row[column]))
                               : QString();
}

QVariant TReportRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(headers_.size())) {
        return {};
    }
    return headers_[static_cast<size_t>(section)];
}

TReportList::TReportList(QWidget* parent, const char* name, const std::vector<TColumn>& columns)
    : QTableView(parent) {
    setObjectName(name);
    std::vector<std::string> headers;
    for (const TColumn& column : columns) {
        headers.emplace_back(column.Header);
    }
    model_ = new TReportRowsModel(this, std::move(headers));
    setModel(model_);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // The columns are as wide as a 28-digit transaction number in the font: 12 pixels keep it
    // whole where the font falls back to a wider one than the tills were laid out with.
    setFont(PixelFont("宋体", 12));
    verticalHeader()->hide();
    // Every row as high as the font: the view then never measures rows it does not show.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    for (size_t i = 0; i < columns.size(); ++i) {
        setColumnWidth(static_cast<int>(i), columns[i].Width);
    }
}

TReportList::TEdit::TEdit(TReportList& list) : list_(list) {
    list_.model_->beginResetModel();
}

TReportList::TEdit::~TEdit() {
    list_.model_->endResetModel();
}

int TReportList::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void TReportList::SelectRow(int row) {
    selectionModel()->select(model_->index(row, 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
