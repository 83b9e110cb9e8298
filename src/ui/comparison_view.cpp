#include "ui/comparison_view.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala::ui {

namespace {

QTableWidgetItem* item(const std::string& text, bool number) {
    auto* it = new QTableWidgetItem(qText(text));
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return it;
}

QTableWidget* table(const QString& objectName, QWidget* parent) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(objectName);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::ContiguousSelection);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return t;
}

// The page scrolls as a whole, so each table is as tall as its rows (plus the horizontal scroll
// bar a narrow window gives the wide day table).
void fitHeight(QTableWidget* t) {
    t->resizeColumnsToContents();
    t->resizeRowsToContents();
    int h = t->horizontalHeader()->sizeHint().height() + 2 * t->frameWidth();
    if (t->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        h += t->horizontalScrollBar()->sizeHint().height();
    for (int r = 0; r < t->rowCount(); ++r)
        h += t->rowHeight(r);
    t->setFixedHeight(h);
}

}  // namespace

ComparisonView::ComparisonView(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("comparison"));
    setTitle(QStringLiteral("Vergleich %1 / %2").arg(qText(kBeforeCaption), qText(kAfterCaption)));
    auto* layout = new QVBoxLayout(this);

    sources_ = new QLabel(this);
    sources_->setObjectName(QStringLiteral("comparisonSources"));
    sources_->setWordWrap(true);
    sources_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(sources_);

    whole_ = table(QStringLiteral("comparisonWhole"), this);
    whole_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    whole_->setColumnCount(3);
    whole_->setHorizontalHeaderLabels(
        {qText(kBeforeCaption), qText(kAfterCaption), qText(kDifferenceCaption)});
    layout->addWidget(whole_);

    days_ = table(QStringLiteral("comparisonDays"), this);
    days_->verticalHeader()->hide();
    days_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const QString v = QStringLiteral("\nVorher"), n = QStringLiteral("\nNachher"),
                  d = QStringLiteral("\nDifferenz");
    QStringList headers{QStringLiteral("Tag\n(Vorher/Nachher)")};
    for (const QString& figure : {QStringLiteral("Fahrzeuge"), QStringLiteral("v50 km/h"),
                                  QStringLiteral("v85 km/h"), QString::fromUtf8("über Limit %")})
        headers << figure + v << figure + n << figure + d;
    days_->setColumnCount(static_cast<int>(headers.size()));
    days_->setHorizontalHeaderLabels(headers);
    layout->addWidget(days_);

    chart_ = new QChart();
    chart_->setTitle(QStringLiteral("Geschwindigkeitsverteilung, Anteil je 10-km/h-Klasse"));
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chartView_ = new QChartView(chart_, this);
    chartView_->setObjectName(QStringLiteral("comparisonChart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumHeight(280);
    layout->addWidget(chartView_);

    hide();
}

void ComparisonView::setComparison(const Comparison* comparison, const Analysis& current,
                                   const QString& beforeFile, const QString& afterFile) {
    if (comparison == nullptr) {
        hide();
        return;
    }
    const Comparison& cmp = *comparison;
    const auto sources = comparisonSourceLines(beforeFile.toStdString(), afterFile.toStdString());
    sources_->setText(qText(sources[0] + "\n" + sources[1] + "\n" + comparisonRuleText(cmp.limit)));
    fillWhole(cmp, current);
    fillDays(cmp);
    fillChart(cmp);
    show();
}

void ComparisonView::fillWhole(const Comparison& cmp, const Analysis& current) {
    const std::vector<ComparedRow> rows = comparedWholeRows(cmp, current);
    whole_->setRowCount(static_cast<int>(rows.size()));
    QStringList captions;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ComparedTexts& texts = rows[r].texts;
        const int ri = static_cast<int>(r);
        captions << qText(rows[r].caption);
        whole_->setItem(ri, 0, item(texts.before, true));
        whole_->setItem(ri, 1, item(texts.after, true));
        whole_->setItem(ri, 2, item(texts.difference, true));
    }
    whole_->setVerticalHeaderLabels(captions);
    fitHeight(whole_);
}

void ComparisonView::fillDays(const Comparison& cmp) {
    days_->setRowCount(static_cast<int>(cmp.days.size()));
    for (std::size_t r = 0; r < cmp.days.size(); ++r) {
        const std::vector<std::string> cells = comparedDayCells(cmp.days[r]);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            days_->setItem(static_cast<int>(r), static_cast<int>(c), item(cells[c], c > 0));
        }
    }
    fitHeight(days_);
}

void ComparisonView::fillChart(const Comparison& cmp) {
    // Shares, not counts: two measurements of different length are compared by their shape.
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
        chart_->removeAxis(axis);
    series_ = new QBarSeries();
    auto* before = new QBarSet(qText(kBeforeCaption));
    auto* after = new QBarSet(qText(kAfterCaption));
    before->setColor(QColor(0x4a, 0x6f, 0xa5));
    after->setColor(QColor(0xe0, 0x8a, 0x2c));
    QStringList categories;
    double top = 0;
    for (const ComparedClass& cc : cmp.classes) {
        categories << qText(speedClassText(cc.from));
        const double b = cc.share.before.value_or(0) * 100;
        const double a = cc.share.after.value_or(0) * 100;
        before->append(b);
        after->append(a);
        top = std::max({top, a, b});
    }
    series_->append(before);
    series_->append(after);
    chart_->addSeries(series_);
    auto* x = new QBarCategoryAxis();
    x->append(categories);
    x->setTitleText(QStringLiteral("Geschwindigkeit in km/h"));
    auto* y = new QValueAxis();
    // Whole tens, so the grid lines fall on readable shares.
    const double ceiling = std::clamp(std::ceil(top / 10.0) * 10.0, 10.0, 100.0);
    y->setRange(0, ceiling);
    y->setTickCount(static_cast<int>(ceiling / 10.0) + 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setTitleText(QStringLiteral("Anteil in %"));
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    series_->attachAxis(x);
    series_->attachAxis(y);
}

}  // namespace korvala::ui
