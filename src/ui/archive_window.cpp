#include "ui/archive_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "output/report/figure_qt.h"
#include "ui/archive_actions.h"
#include "ui/archive_lists.h"
#include "ui/archive_trend.h"
#include "ui/form1.h"

namespace korvala::ui {

namespace {

constexpr int kIdRole = Qt::UserRole;

QTableWidget* listTable(const char* name, QWidget* parent) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setWordWrap(false);
    t->verticalHeader()->hide();
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 8);
    return t;
}

// Fills `t` with `rows`; each row carries `ids[r]` (a site's or a measurement's number).
void fill(QTableWidget* t, const ArchiveRows& rows, const std::vector<std::int64_t>& ids) {
    t->clearContents();
    t->setColumnCount(static_cast<int>(rows.headers.size()));
    t->setHorizontalHeaderLabels(rows.headers);
    t->setRowCount(static_cast<int>(rows.rows.size()));
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        for (int c = 0; c < rows.headers.size(); ++c) {
            auto* item = new QTableWidgetItem(rows.rows[r].value(c));
            if (rows.rightAligned[static_cast<std::size_t>(c)])
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == rows.verdictColumn && rows.verdicts[r] != Verdict::None) {
                const QColor fill = verdictQColor(rows.verdicts[r]);
                item->setBackground(fill);
                item->setForeground(inkOn(fill));
            }
            item->setData(kIdRole, qlonglong{ids[r]});
            t->setItem(static_cast<int>(r), c, item);
        }
    }
    t->resizeColumnsToContents();
}

std::int64_t idOfRow(const QTableWidget* t, int row) {
    const QTableWidgetItem* item = row >= 0 ? t->item(row, 0) : nullptr;
    return item ? item->data(kIdRole).toLongLong() : 0;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

ArchiveWindow::ArchiveWindow(ArchiveActions& actions, Form1& form)
    : QWidget(&form, Qt::Window), actions_(actions), form_(form) {
    setObjectName(QStringLiteral("archiveWindow"));
    setWindowTitle(QStringLiteral("Archiv der Messstellen"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    placeLabel = new QLabel(this);
    placeLabel->setObjectName(QStringLiteral("archivePlace"));
    placeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(placeLabel, 1);
    auto* reloadButton = button("archiveReload", QStringLiteral("Aktualisieren"), this);
    top->addWidget(reloadButton);
    layout->addLayout(top);
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("archiveTabs"));
    tabs->addTab(buildSitesPage(), QStringLiteral("Messstellen"));
    tabs->addTab(buildHotspotsPage(), QStringLiteral("Brennpunkte"));
    layout->addWidget(tabs);
    resize(980, 760);

    connect(reloadButton, &QPushButton::clicked, this, &ArchiveWindow::reload);
    connect(&actions_, &ArchiveActions::archiveChanged, this, [this] {
        if (isVisible())
            reload();
    });
    // Whether one measurement can be compared with the window's depends on what it holds.
    connect(&form_, &Form1::sessionRefreshed, this, &ArchiveWindow::selectionChanged);
}

QWidget* ArchiveWindow::buildSitesPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* split = new QSplitter(Qt::Vertical, page);
    sitesTable = listTable("archiveSites", split);
    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 6, 0, 0);
    historyLabel = new QLabel(lower);
    historyLabel->setObjectName(QStringLiteral("archiveHistoryCaption"));
    lowerLayout->addWidget(historyLabel);
    historyTable = listTable("archiveHistory", lower);
    historyTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lowerLayout->addWidget(historyTable);
    trend = new ArchiveTrend(split);
    split->addWidget(sitesTable);
    split->addWidget(lower);
    split->addWidget(trend);
    split->setSizes({170, 220, 300});
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    openButton = button("archiveOpen", QString::fromUtf8("Öffnen"), page);
    openButton->setToolTip(
        QString::fromUtf8("Die gewählte Messung im Hauptfenster öffnen, wie aus einer Datei."));
    compareButton = button("archiveCompare", QStringLiteral("Vergleichen"), page);
    compareButton->setToolTip(QString::fromUtf8(
        "Zwei gewählte Messungen: die ältere als Vorher, die neuere als Nachher. Eine gewählte "
        "Messung: als Nachher zur Messung im Hauptfenster."));
    historyCsvButton = button("archiveHistoryCsv", QString::fromUtf8("Verlauf als CSV …"), page);
    historyPdfButton = button("archiveHistoryPdf", QString::fromUtf8("Verlauf als PDF …"), page);
    for (QPushButton* b : {openButton, compareButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {historyCsvButton, historyPdfButton})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(sitesTable, &QTableWidget::itemSelectionChanged, this, &ArchiveWindow::siteChosen);
    connect(historyTable, &QTableWidget::itemSelectionChanged, this,
            &ArchiveWindow::selectionChanged);
    connect(historyTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { actions_.openFiled(idOfRow(historyTable, row)); });
    connect(openButton, &QPushButton::clicked, this, [this] {
        const auto ids = selectedMeasurements();
        if (ids.size() == 1)
            actions_.openFiled(ids.front());
    });
    connect(compareButton, &QPushButton::clicked, this, &ArchiveWindow::compare);
    connect(historyCsvButton, &QPushButton::clicked, this,
            [this] { actions_.exportHistory(currentSite(), ArchiveActions::Format::Csv); });
    connect(historyPdfButton, &QPushButton::clicked, this,
            [this] { actions_.exportHistory(currentSite(), ArchiveActions::Format::Pdf); });
    return page;
}

QWidget* ArchiveWindow::buildHotspotsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* note = new QLabel(
        QString::fromUtf8("Jede Messstelle mit ihrer letzten Messung, die mit der v85 am weitesten "
                          "über der zulässigen Höchstgeschwindigkeit zuerst. Doppelklick zeigt "
                          "ihren Verlauf."),
        page);
    note->setWordWrap(true);
    layout->addWidget(note);
    hotspotsTable = listTable("archiveHotspots", page);
    layout->addWidget(hotspotsTable, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    hotspotsCsvButton = button("archiveHotspotsCsv", QString::fromUtf8("Als CSV …"), page);
    hotspotsPdfButton = button("archiveHotspotsPdf", QString::fromUtf8("Als PDF …"), page);
    buttons->addWidget(hotspotsCsvButton);
    buttons->addWidget(hotspotsPdfButton);
    layout->addLayout(buttons);
    connect(hotspotsTable, &QTableWidget::cellDoubleClicked, this,
            &ArchiveWindow::hotspotActivated);
    connect(hotspotsCsvButton, &QPushButton::clicked, this,
            [this] { actions_.exportHotspots(ArchiveActions::Format::Csv); });
    connect(hotspotsPdfButton, &QPushButton::clicked, this,
            [this] { actions_.exportHotspots(ArchiveActions::Format::Pdf); });
    return page;
}

void ArchiveWindow::reload() {
    placeLabel->setText(actions_.placeText());
    const std::int64_t shown = currentSite();
    sites_.clear();
    hotspots_.clear();
    actions_.run([this](archive::Archive& a) {
        sites_ = a.siteList();
        hotspots_ = a.hotspots();
    });
    std::vector<std::int64_t> ids;
    for (const archive::SiteSummary& s : sites_)
        ids.push_back(s.site.id);
    {
        const QSignalBlocker quiet(sitesTable);
        fill(sitesTable, siteRows(sites_), ids);
    }
    ids.clear();
    for (const archive::Hotspot& h : hotspots_)
        ids.push_back(h.site.id);
    fill(hotspotsTable, hotspotRows(hotspots_), ids);
    // The site shown before, unless another workplace removed it meanwhile.
    const bool stillThere = std::any_of(sites_.begin(), sites_.end(),
                                        [shown](const auto& s) { return s.site.id == shown; });
    showSite(stillThere ? shown : (sites_.empty() ? 0 : sites_.front().site.id));
}

void ArchiveWindow::showSite(std::int64_t id) {
    int row = -1;
    for (int r = 0; r < sitesTable->rowCount(); ++r)
        if (idOfRow(sitesTable, r) == id)
            row = r;
    {
        const QSignalBlocker quiet(sitesTable);
        sitesTable->clearSelection();
        if (row >= 0)
            sitesTable->selectRow(row);
    }
    siteChosen();
}

std::int64_t ArchiveWindow::currentSite() const {
    const QList<QTableWidgetItem*> chosen = sitesTable->selectedItems();
    return chosen.isEmpty() ? 0 : chosen.front()->data(kIdRole).toLongLong();
}

std::vector<std::int64_t> ArchiveWindow::selectedMeasurements() const {
    std::vector<int> rows;
    for (const QModelIndex& index : historyTable->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::int64_t> ids;
    for (int r : rows)
        ids.push_back(idOfRow(historyTable, r));
    return ids;
}

void ArchiveWindow::siteChosen() {
    const std::int64_t id = currentSite();
    history_.clear();
    int limit = kDefaultSpeedLimit;
    QString name;
    for (const archive::SiteSummary& s : sites_)
        if (s.site.id == id) {
            limit = s.site.data.speedLimit;
            name = QString::fromStdString(s.site.data.name);
        }
    if (id != 0)
        actions_.run([&](archive::Archive& a) { history_ = a.history(id); });
    std::vector<std::int64_t> ids;
    for (const archive::FiledEntry& e : history_)
        ids.push_back(e.id);
    {
        const QSignalBlocker quiet(historyTable);
        fill(historyTable, historyRows(history_, limit), ids);
        // The latest measurement is the one a user opens most often.
        if (!history_.empty())
            historyTable->selectRow(historyTable->rowCount() - 1);
    }
    historyLabel->setText(id == 0 ? QStringLiteral("Keine Messstelle gewählt.")
                                  : QStringLiteral("Messungen der Messstelle \"%1\"").arg(name));
    trend->setTrend(trendPoints(history_), limit);
    historyCsvButton->setEnabled(id != 0);
    historyPdfButton->setEnabled(id != 0);
    selectionChanged();
}

void ArchiveWindow::selectionChanged() {
    const std::size_t n = selectedMeasurements().size();
    openButton->setEnabled(n == 1);
    compareButton->setEnabled(n == 2 || (n == 1 && !form_.session().records().empty()));
}

void ArchiveWindow::compare() {
    const std::vector<std::int64_t> ids = selectedMeasurements();
    if (ids.size() == 2)
        actions_.compareFiled(ids[0], ids[1]);
    else if (ids.size() == 1)
        actions_.compareWith(ids[0]);
}

void ArchiveWindow::hotspotActivated(int row) {
    tabs->setCurrentIndex(0);
    showSite(idOfRow(hotspotsTable, row));
}

}  // namespace korvala::ui
