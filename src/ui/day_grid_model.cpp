#include "ui/day_grid_model.h"

namespace korvala::ui {

DayGridModel::DayGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void DayGridModel::clear() {
    beginResetModel();
    table_ = nullptr;
    positions_.clear();
    positions_.shrink_to_fit();
    endResetModel();
}

void DayGridModel::fill(const Table* table) {
    beginResetModel();
    table_ = table;
    positions_.clear();
    if (table != nullptr) {
        for (std::size_t p = 0; p < table->size(); ++p) {
            if ((*table)[p].counts()) {
                positions_.push_back(static_cast<std::int32_t>(p));
            }
        }
    }
    positions_.shrink_to_fit();
    endResetModel();
}

int DayGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : recordRows();
}

int DayGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DayGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= recordRows() || table_ == nullptr) {
        return {};
    }
    const auto pos = static_cast<std::size_t>(positions_[static_cast<std::size_t>(index.row())]);
    // The table may have been replaced since the last fill(); never read beyond its end.
    if (pos >= table_->size()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == ColNumber ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const Measurement& m = (*table_)[pos];
    switch (index.column()) {
        case ColNumber:
            return QString::number(pos + 1);
        case ColTime:
            return QString::fromStdString(m.time.generalText());
        case ColSpeed:
            return QString::fromStdString(m.speed.text()) + QStringLiteral(" km/h ");
        default:
            return {};
    }
}

QVariant DayGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
        case ColNumber:
            return QStringLiteral("Nr.");
        case ColTime:
            return QStringLiteral("Uhrzeit");
        case ColSpeed:
            return QStringLiteral("Geschwindigkeit");
        default:
            return {};
    }
}

}  // namespace korvala::ui
