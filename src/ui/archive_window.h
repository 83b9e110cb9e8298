#pragma once
// The archive window: every site with its latest measurement, the history and trend of the site
// chosen, and the hotspots. A window of its own rather than a sixth page: the pages describe the
// one measurement the main window holds, the archive describes all of them and stays open beside
// it while the user opens one filed measurement after the other; and a site list, a history and
// a trend chart need more room than the main window's fixed size gives.

#include <QWidget>

#include <cstdint>
#include <vector>

#include "archive/archive_types.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace korvala::ui {

class ArchiveActions;
class ArchiveTrend;
class Form1;
struct ArchiveRows;

class ArchiveWindow final : public QWidget {
    Q_OBJECT
  public:
    // A window of `form`'s, which the program's end closes with it.
    ArchiveWindow(ArchiveActions& actions, Form1& form);

    // Reads every list anew; the site shown stays chosen.
    void reload();
    // Shows the measurements and the trend of site `id`.
    void showSite(std::int64_t id);
    std::int64_t currentSite() const;
    // The measurements selected in the history, oldest first.
    std::vector<std::int64_t> selectedMeasurements() const;

    // ---- the widgets, for the tests ----
    QLabel* placeLabel;
    QTabWidget* tabs;
    QTableWidget* sitesTable;
    QLabel* historyLabel;
    QTableWidget* historyTable;
    ArchiveTrend* trend;
    QTableWidget* hotspotsTable;
    QPushButton* openButton;
    QPushButton* compareButton;
    QPushButton* historyCsvButton;
    QPushButton* historyPdfButton;
    QPushButton* hotspotsCsvButton;
    QPushButton* hotspotsPdfButton;

  private:
    QWidget* buildSitesPage();
    QWidget* buildHotspotsPage();
    void siteChosen();
    void selectionChanged();
    void compare();
    void hotspotActivated(int row);

    ArchiveActions& actions_;
    Form1& form_;
    std::vector<archive::SiteSummary> sites_;
    std::vector<archive::Hotspot> hotspots_;
    std::vector<archive::FiledEntry> history_;
};

}  // namespace korvala::ui
