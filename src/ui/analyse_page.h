#pragma once
// The "Analyse" page: traffic figures of the whole measurement for a speed limit the user sets,
// read from the session's day tables. The page only shows what analyze() computes; every figure
// is text in German notation so it can be copied into a letter as it stands.

#include <QHash>
#include <QString>
#include <QWidget>

#include <string>

#include "evaluation/analysis.h"
#include "session/session.h"

class QFormLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;

namespace korvala::ui {

class HeatMap;

class AnalysePage final : public QWidget {
    Q_OBJECT
  public:
    explicit AnalysePage(QWidget* parent = nullptr);

    // Analyses the session's days with the current limit and fills the page. The page reads the
    // session again when the limit changes, so `session` must outlive the page or be refreshed.
    void refresh(const Session& session);
    int limit() const;
    void setLimit(int limit);
    const Analysis& analysis() const { return analysis_; }

    // ---- the widgets, for the window's tests ----
    QSpinBox* limitBox() const { return limit_; }
    QLabel* verdictLabel() const { return verdict_; }
    // Value label of a figure by its id: "vehicles", "v15", "v50", "v85", "v95", "mean",
    // "stdDev", "pace", "vmax", "over", "band1".."band5", "averageDaily", "completeDays",
    // "averageWeekday", "averageWeekend", "peakHour". Null for an unknown id.
    QLabel* figure(const QString& id) const;
    QLabel* figureCaption(const QString& id) const { return captions_.value(id, nullptr); }
    QTableWidget* weekTable() const { return week_; }
    HeatMap* heatMap() const { return heatMap_; }
    QRadioButton* vehiclesModeButton() const { return modeVehicles_; }
    QRadioButton* v85ModeButton() const { return modeV85_; }
    QLabel* qualityLabel() const { return quality_; }
    QScrollArea* scrollArea() const { return scroll_; }

  signals:
    void limitChanged(int limit);

  private:
    // The page's sections, top to bottom.
    QLayout* buildLimitRow();
    QWidget* buildWholeBox(QWidget* content);
    QWidget* buildExceedanceBox(QWidget* content);
    QWidget* buildWeekBox(QWidget* content);
    QWidget* buildHeatMapBox(QWidget* content);
    QWidget* buildQualityBox(QWidget* content);
    QWidget* buildRulesBox(QWidget* content);

    void reanalyse();
    void fillFigures();
    void fillWeek();
    void fillQuality();
    QLabel* addFigure(QFormLayout* form, const QString& id, const QString& caption);
    void setFigure(const QString& id, const std::string& text);
    void setFigureCaption(const QString& id, const QString& caption);

    QSpinBox* limit_;
    QScrollArea* scroll_;
    QLabel* verdict_;
    QGroupBox* overBox_;
    QTableWidget* week_;
    HeatMap* heatMap_;
    QRadioButton* modeVehicles_;
    QRadioButton* modeV85_;
    QLabel* quality_;

    QHash<QString, QLabel*> figures_;
    QHash<QString, QLabel*> captions_;

    const Session* session_ = nullptr;
    Analysis analysis_;
};

}  // namespace korvala::ui
