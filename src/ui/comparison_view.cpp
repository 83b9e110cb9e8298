#include "ui/comparison_view.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace korvala::ui {

namespace {

const QString kDash = QStringLiteral("–");
const QString kMinus = QString::fromUtf8("−");

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Decimal comma whatever the machine's locale says, as everywhere on the page.
QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString optFixed(const std::optional<double>& v, int decimals, double factor = 1,
                 const QString& unit = {}) {
    if (!v)
        return kDash;
    const QString s = fixed(*v * factor, decimals);
    return unit.isEmpty() ? s : s + QLatin1Char(' ') + unit;
}

// A difference carries its sign, so a drop cannot be read as a rise; a difference that rounds
// to zero stays unsigned.
QString signedText(const std::optional<double>& d, int decimals, double factor = 1,
                   const QString& unit = {}) {
    if (!d)
        return kDash;
    QString s = fixed(std::fabs(*d * factor), decimals);
    if (s != fixed(0.0, decimals))
        s = (*d > 0 ? QStringLiteral("+") : kMinus) + s;
    return unit.isEmpty() ? s : s + QLatin1Char(' ') + unit;
}

QString weekdayShort(const std::optional<int>& w) {
    return w ? qs(kWeekdayNames[static_cast<std::size_t>(*w)]).left(2) : kDash;
}

QTableWidgetItem* item(const QString& text, bool number) {
    auto* it = new QTableWidgetItem(text);
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
    setTitle(QStringLiteral("Vergleich %1 / %2").arg(qs(kBeforeCaption), qs(kAfterCaption)));
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
        {qs(kBeforeCaption), qs(kAfterCaption), qs(kDifferenceCaption)});
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
    auto name = [](const QString& file, const QString& fallback) {
        return file.isEmpty() ? fallback : QFileInfo(file).fileName();
    };
    sources_->setText(qs(kBeforeCaption) + QStringLiteral(": ") +
                      name(beforeFile, QStringLiteral("aktuelle Messung")) + QLatin1Char('\n') +
                      qs(kAfterCaption) + QStringLiteral(": ") +
                      name(afterFile, QStringLiteral("Vergleichsmessung")) + QLatin1Char('\n') +
                      qs(kRuleDifference) + QStringLiteral("; zulässig %1 km/h.").arg(cmp.limit));

    struct Row {
        QString caption;
        const ComparedFigure* figure;
        int decimals;
        double factor;
        QString unit;
    };
    const QString kmh = QStringLiteral("km/h");
    std::vector<Row> rows{
        {QStringLiteral("Fahrzeuge"), &cmp.whole.vehicles, 0, 1, {}},
        {QStringLiteral("Durchschnittlicher Tagesverkehr"), &cmp.averageDaily, 1, 1, {}},
        {QStringLiteral("v50"), &cmp.whole.v50, 1, 1, kmh},
        {QStringLiteral("v85"), &cmp.whole.v85, 1, 1, kmh},
        {QString::fromUtf8("Anteil über %1 km/h").arg(cmp.limit), &cmp.whole.shareOver, 1, 100,
         QStringLiteral("%")},
    };
    for (int b = 0; b < kExceedanceBands; ++b) {
        const auto i = static_cast<std::size_t>(b);
        rows.push_back(
            {QStringLiteral("   ") + qs(current.exceedance.bands[i].label) + QLatin1Char(' ') + kmh,
             &cmp.whole.bandShares[i], 1, 100, QStringLiteral("%")});
    }
    whole_->setRowCount(static_cast<int>(rows.size()));
    QStringList captions;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        const int ri = static_cast<int>(r);
        captions << row.caption;
        const bool share = row.factor != 1;
        whole_->setItem(
            ri, 0, item(optFixed(row.figure->before, row.decimals, row.factor, row.unit), true));
        whole_->setItem(
            ri, 1, item(optFixed(row.figure->after, row.decimals, row.factor, row.unit), true));
        whole_->setItem(ri, 2,
                        item(signedText(row.figure->difference(), row.decimals, row.factor,
                                        share ? QStringLiteral("Pp.") : row.unit),
                             true));
    }
    whole_->setVerticalHeaderLabels(captions);
    fitHeight(whole_);

    days_->setRowCount(static_cast<int>(cmp.days.size()));
    for (std::size_t r = 0; r < cmp.days.size(); ++r) {
        const ComparedDay& day = cmp.days[r];
        const ComparedFigures& g = day.figures;
        const int ri = static_cast<int>(r);
        days_->setItem(
            ri, 0,
            item(QStringLiteral("%1 %2/%3")
                     .arg(day.day)
                     .arg(weekdayShort(day.weekdayBefore), weekdayShort(day.weekdayAfter)),
                 false));
        int col = 1;
        auto put = [&](const ComparedFigure& f, int decimals, double factor) {
            days_->setItem(ri, col++, item(optFixed(f.before, decimals, factor), true));
            days_->setItem(ri, col++, item(optFixed(f.after, decimals, factor), true));
            days_->setItem(ri, col++, item(signedText(f.difference(), decimals, factor), true));
        };
        put(g.vehicles, 0, 1);
        put(g.v50, 1, 1);
        put(g.v85, 1, 1);
        put(g.shareOver, 1, 100);
    }
    fitHeight(days_);

    // Shares, not counts: two measurements of different length are compared by their shape.
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
        chart_->removeAxis(axis);
    series_ = new QBarSeries();
    auto* before = new QBarSet(qs(kBeforeCaption));
    auto* after = new QBarSet(qs(kAfterCaption));
    before->setColor(QColor(0x4a, 0x6f, 0xa5));
    after->setColor(QColor(0xe0, 0x8a, 0x2c));
    QStringList categories;
    double top = 0;
    for (const ComparedClass& cc : cmp.classes) {
        categories << QStringLiteral("%1–%2").arg(cc.from).arg(cc.from + 9);
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

    show();
}

}  // namespace korvala::ui
