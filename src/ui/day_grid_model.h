#pragma once
// One day's measurement grid: number, time and speed of every vehicle of a day table. The model
// keeps only the positions of the rows it shows and formats a cell when the view asks for it, so
// a day of hundreds of thousands of vehicles shows at once and scrolls without delay.

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

#include "model/measurement.h"

namespace korvala::ui {

class DayGridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColNumber = 0, ColTime = 1, ColSpeed = 2, ColumnCount = 3 };

    explicit DayGridModel(QObject* parent = nullptr);

    // Only the header row remains.
    void clear();
    // Shows the records of `table` with a speed value above 0 (which also leaves out the empty
    // record closing a day table). The table is read, not copied: it must outlive the model or
    // the next fill()/clear().
    void fill(const Table* table);

    // Number of record rows (the header is not a row of the model).
    int recordRows() const { return static_cast<int>(positions_.size()); }
    // Position of row `row` in the day table (0-based).
    std::int32_t position(int row) const { return positions_.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    const Table* table_ = nullptr;
    std::vector<std::int32_t> positions_;
};

}  // namespace korvala::ui
