#pragma once
// The traffic report and the comparison in the main window: the "Datei" entries "Bericht als
// PDF …", "Vergleichsmessung öffnen …" and "Vergleich schließen", and the second measurement
// they compare with. The comparison lives in a Session of its own, so reading it can never touch
// what the window holds (its data, its file name, whether it is saved).

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

#include "evaluation/comparison.h"
#include "session/session.h"

class QAction;

namespace korvala::ui {

class ComparisonView;
class Form1;

class ReportActions final : public QObject {
    Q_OBJECT
  public:
    // Adds the entries to the window's "Datei" menu and the comparison section to its Analyse
    // page. The window owns the object.
    explicit ReportActions(Form1& form);
    ~ReportActions() override;

    // Menu commands, also callable directly.
    void pdf_Click();
    void compare_Click();
    void compareClose_Click();
    // Loads `path` as the comparison, with the messages of "Öffnen". True when loaded.
    bool openComparison(const QString& path);
    // Takes a measurement read elsewhere (one filed in the archive) as the comparison; `name`
    // labels its side.
    void setComparison(LoadResult&& load, const QString& name);
    // Writes the report of the current measurement (with the comparison page when one is
    // loaded) to `path`, with a progress dialog; false on cancel or failure (a message box says
    // why a write failed).
    bool writeReport(const QString& path);

    // Recomputes the comparison from both sessions and the page's limit, and the menu states.
    // Runs after every load into the window and every change of the limit.
    void refresh();

    bool comparisonLoaded() const { return comparisonSession_ != nullptr; }
    const Session* comparisonSession() const { return comparisonSession_.get(); }
    const std::optional<Comparison>& comparison() const { return comparison_; }
    ComparisonView* view() const { return view_; }

    QAction* act_pdf;
    QAction* act_compare;
    QAction* act_compareClose;

  private:
    void adopt(std::unique_ptr<Session> comparison, const QString& file);

    Form1& form_;
    ComparisonView* view_;
    std::unique_ptr<Session> comparisonSession_;
    QString comparisonFile_;
    std::optional<MeasurementFigures> afterFigures_;  // the comparison changes only on a new limit
    std::optional<Comparison> comparison_;
};

}  // namespace korvala::ui
