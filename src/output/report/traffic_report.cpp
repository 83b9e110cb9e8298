#include "output/report/traffic_report.h"

#include <QBuffer>
#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "evaluation/statistics.h"
#include "model/speed.h"
#include "model/timestamp.h"
#include "output/report.h"
#include "session/session.h"

namespace korvala {

namespace {

// ---- German number texts, independent of the machine's locale ----------------------------

const QString kDash = QStringLiteral("–");
const QString kMinus = QStringLiteral("−");

QString fixed(double value, int decimals) {
    if (!std::isfinite(value))
        return kDash;
    QString s = QString::number(value, 'f', decimals);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    if (s.startsWith(QLatin1Char('-')))
        s = kMinus + s.mid(1);
    return s;
}

QString optFixed(const std::optional<double>& v, int decimals) {
    return v ? fixed(*v, decimals) : kDash;
}

QString speedText(const std::optional<double>& v) {
    return v ? QString::fromStdString(decimalText(*v)) : kDash;
}

QString percentText(double share) {
    return fixed(share * 100.0, 1) + QStringLiteral(" %");
}

QString optPercent(const std::optional<double>& share) {
    return share ? percentText(*share) : kDash;
}

QString count(std::int64_t n) {
    return QString::number(n);
}

// A difference always carries its sign, so "0" is the only unsigned figure.
QString signedText(double d, int decimals, const QString& unit = {}) {
    QString s = fixed(std::fabs(d), decimals);
    const bool zero = s == fixed(0.0, decimals);
    if (!zero)
        s = (d > 0 ? QStringLiteral("+") : kMinus) + s;
    return unit.isEmpty() ? s : s + QLatin1Char(' ') + unit;
}

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString clockText(int second) {
    return twoDigits(second / 3600) + QLatin1Char(':') + twoDigits(second / 60 % 60);
}

QString weekdayName(const std::optional<int>& w) {
    return w ? QString::fromUtf8(kWeekdayNames[*w].data(), kWeekdayNames[*w].size()) : kDash;
}

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The date of measurement day `day` (1..7), empty when the start date cannot be read.
std::optional<Timestamp> dateOfDay(const std::string& startDate, int day) {
    const auto start = Timestamp::parseDate(startDate);
    if (!start)
        return std::nullopt;
    return Timestamp::fromDayAndTime(start->day() + day - 1, 0, 0, 0);
}

QString dayDateText(const std::string& startDate, int day) {
    const auto d = dateOfDay(startDate, day);
    return d ? QString::fromStdString(d->shortDateText()) : kDash;
}

// ---- page geometry, in millimetres on A4 portrait ------------------------------------------

constexpr int kResolution = 300;
constexpr double kPageWidth = 210, kPageHeight = 297;
constexpr double kLeft = 20, kRight = kPageWidth - 18, kTop = 16, kBottom = kPageHeight - 18;
constexpr double kContentWidth = kRight - kLeft;
constexpr double kBodyTop = kTop + 14;  // below the page title
constexpr double kBodyBottom = kBottom - 4;

const QString kFontFamily = QStringLiteral("DejaVu Sans");

// Verdict colours: the traffic-light colours a reader expects, dark enough to carry white text
// except yellow, which carries black.
QColor verdictFill(Verdict v) {
    switch (v) {
        case Verdict::Unremarkable:
            return QColor(0x2e, 0x8b, 0x3a);
        case Verdict::SlightlyRaised:
            return QColor(0xf2, 0xc2, 0x00);
        case Verdict::Remarkable:
            return QColor(0xc6, 0x28, 0x28);
        case Verdict::None:
            break;
    }
    return QColor(0xbb, 0xbb, 0xbb);
}

QColor verdictInk(Verdict v) {
    return v == Verdict::SlightlyRaised || v == Verdict::None ? Qt::black : Qt::white;
}

// Sequential scale from pale to dark: lightness falls steadily, so a grey print keeps the order.
QColor heatColor(double t) {
    static const std::array<QColor, 5> stops = {QColor(0xff, 0xf7, 0xec), QColor(0xfd, 0xd4, 0x9e),
                                                QColor(0xfc, 0x8d, 0x59), QColor(0xd7, 0x30, 0x1f),
                                                QColor(0x7f, 0x00, 0x00)};
    t = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
    const int i = std::min(static_cast<int>(t), static_cast<int>(stops.size()) - 2);
    const double f = t - i;
    auto mix = [f](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
    return QColor(mix(stops[i].red(), stops[i + 1].red()),
                  mix(stops[i].green(), stops[i + 1].green()),
                  mix(stops[i].blue(), stops[i + 1].blue()));
}

bool isDark(const QColor& c) {
    return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue() < 140;
}

// ---- drawing in millimetres ------------------------------------------------------------------

class Canvas {
  public:
    explicit Canvas(QPainter& p) : p_(p), perMm_(p.device()->logicalDpiX() / 25.4) {}

    QPainter& painter() { return p_; }
    double px(double mm) const { return mm * perMm_; }
    double mm(double px) const { return px / perMm_; }
    QRectF rect(double x, double y, double w, double h) const {
        return QRectF(px(x), px(y), px(w), px(h));
    }
    QPointF point(double x, double y) const { return QPointF(px(x), px(y)); }

    QFont font(double pt, bool bold = false) const {
        QFont f(kFontFamily);
        f.setPointSizeF(pt);
        f.setBold(bold);
        // Without shaping there are no ligatures, so "auffällig" stays nine letters when the
        // text is searched or copied out of the PDF; Latin text needs nothing else of it.
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }
    QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, p_.device()); }
    double textWidth(const QString& s, const QFont& f) const {
        return mm(metrics(f).horizontalAdvance(s));
    }
    double lineHeight(const QFont& f) const { return mm(metrics(f).lineSpacing()); }

    void text(double x, double y, double w, double h, int flags, const QString& s, const QFont& f,
              const QColor& ink = Qt::black) {
        p_.setFont(f);
        p_.setPen(ink);
        p_.drawText(rect(x, y, w, h), flags, s);
    }
    // Wrapped text from (x, y) within width w; returns the height used.
    double paragraph(double x, double y, double w, const QString& s, const QFont& f) {
        p_.setFont(f);
        p_.setPen(Qt::black);
        const QRectF bounds =
            p_.boundingRect(rect(x, y, w, 1000), Qt::AlignLeft | Qt::TextWordWrap, s);
        p_.drawText(bounds, Qt::AlignLeft | Qt::TextWordWrap, s);
        return mm(bounds.height());
    }
    double paragraphHeight(double w, const QString& s, const QFont& f) const {
        return mm(
            metrics(f)
                .boundingRect(QRectF(0, 0, px(w), px(1000)), Qt::AlignLeft | Qt::TextWordWrap, s)
                .height());
    }
    void line(double x1, double y1, double x2, double y2, const QColor& c = Qt::black,
              double widthMm = 0.2, Qt::PenStyle style = Qt::SolidLine) {
        QPen pen(c);
        pen.setWidthF(px(widthMm));
        pen.setStyle(style);
        p_.setPen(pen);
        p_.drawLine(point(x1, y1), point(x2, y2));
    }
    void box(double x, double y, double w, double h, const QBrush& fill,
             const QColor& border = Qt::transparent, double widthMm = 0.2) {
        QPen pen(border);
        pen.setWidthF(px(widthMm));
        p_.setPen(border.alpha() == 0 ? QPen(Qt::NoPen) : pen);
        p_.setBrush(fill);
        p_.drawRect(rect(x, y, w, h));
        p_.setBrush(Qt::NoBrush);
    }

  private:
    QPainter& p_;
    double perMm_;
};

// ---- tables ----------------------------------------------------------------------------------

struct Column {
    QString title;
    double width;  // mm
    bool right = true;
};

// Draws a table with a bold header row and light bands; returns the y below it.
double drawTable(Canvas& c, double x, double y, const std::vector<Column>& columns,
                 const std::vector<QStringList>& rows, double fontPt = 8.5, double rowH = 5.6) {
    const QFont head = c.font(fontPt, true);
    const QFont body = c.font(fontPt);
    double width = 0;
    for (const Column& col : columns)
        width += col.width;
    // Headers may wrap onto two lines; the row grows to fit the tallest.
    double headH = rowH;
    for (const Column& col : columns)
        headH = std::max(headH, c.paragraphHeight(col.width - 2, col.title, head) + 1.6);
    c.box(x, y, width, headH, QColor(0xe4, 0xe4, 0xe4));
    double cx = x;
    for (const Column& col : columns) {
        c.text(cx + 1, y, col.width - 2, headH,
               (col.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextWordWrap,
               col.title, head);
        cx += col.width;
    }
    y += headH;
    c.line(x, y, x + width, y, Qt::black, 0.3);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r % 2 == 1)
            c.box(x, y, width, rowH, QColor(0xf4, 0xf4, 0xf4));
        cx = x;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const QString cell =
                k < static_cast<std::size_t>(rows[r].size()) ? rows[r][k] : QString();
            c.text(cx + 1, y, columns[k].width - 2, rowH,
                   (columns[k].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, cell,
                   body);
            cx += columns[k].width;
        }
        y += rowH;
    }
    c.line(x, y, x + width, y, Qt::black, 0.3);
    return y;
}

// ---- bar charts ------------------------------------------------------------------------------

struct Series {
    QString name;
    std::vector<double> values;
    std::vector<QString> labels;  // the value written above each bar
    QBrush brush;
};

struct BarChart {
    QString title, xTitle, yTitle;
    std::vector<QString> categories;
    std::vector<Series> series;
    // A dashed vertical line at this position in category units (0 = left edge of the first
    // category), e.g. the speed limit on a class axis.
    std::optional<double> marker;
    QString markerLabel;
    bool legend = false;
};

// A round step for about `ticks` grid lines up to `maximum`.
double niceStep(double maximum, int ticks) {
    if (!(maximum > 0))
        return 1;
    const double raw = maximum / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * magnitude >= raw)
            return f * magnitude;
    return 10 * magnitude;
}

QString axisNumber(double v, double step) {
    // Steps of 2,5 and below 1 need decimals; everything else reads better whole.
    const int decimals = step >= 1 && std::fmod(step, 1.0) == 0 ? 0 : (step >= 0.1 ? 1 : 2);
    return fixed(v, decimals);
}

void drawBarChart(Canvas& c, double x, double y, double w, double h, const BarChart& chart) {
    const QFont titleFont = c.font(9.5, true);
    const QFont small = c.font(6.5);
    const QFont axisFont = c.font(7);
    c.text(x, y, w, 5, Qt::AlignLeft | Qt::AlignVCenter, chart.title, titleFont);

    const double plotLeft = x + 14, plotRight = x + w - 2;
    const double plotTop = y + (chart.legend ? 11 : 8), plotBottom = y + h - 10;
    const double plotW = plotRight - plotLeft, plotH = plotBottom - plotTop;
    if (chart.legend) {
        double lx = x + w;
        for (auto it = chart.series.rbegin(); it != chart.series.rend(); ++it) {
            const double tw = c.textWidth(it->name, axisFont);
            lx -= tw + 8;
            c.box(lx, y + 5.6, 3.5, 3.5, it->brush, Qt::black, 0.15);
            c.text(lx + 4.5, y + 5, tw + 2, 4.6, Qt::AlignLeft | Qt::AlignVCenter, it->name,
                   axisFont);
        }
    }

    double maximum = 0;
    for (const Series& s : chart.series)
        for (double v : s.values)
            maximum = std::max(maximum, v);
    const double step = niceStep(maximum, 5);
    const double top = std::max(step, std::ceil(maximum / step) * step);

    // Grid and y axis.
    for (int k = 0; k * step <= top + step / 1000; ++k) {
        const double v = k * step;
        const double gy = plotBottom - plotH * v / top;
        if (k > 0)
            c.line(plotLeft, gy, plotRight, gy, QColor(0xd0, 0xd0, 0xd0), 0.15);
        c.text(x, gy - 2, 13, 4, Qt::AlignRight | Qt::AlignVCenter, axisNumber(v, step), axisFont);
    }
    c.line(plotLeft, plotTop, plotLeft, plotBottom, Qt::black, 0.25);
    c.line(plotLeft, plotBottom, plotRight, plotBottom, Qt::black, 0.25);
    if (!chart.yTitle.isEmpty()) {
        QPainter& p = c.painter();
        p.save();
        p.translate(c.point(x - 3.2, plotTop + plotH / 2));
        p.rotate(-90);
        p.setFont(axisFont);
        p.setPen(Qt::black);
        p.drawText(QRectF(-c.px(plotH / 2), -c.px(2), c.px(plotH), c.px(4)), Qt::AlignCenter,
                   chart.yTitle);
        p.restore();
    }
    c.text(plotLeft, plotBottom + 5, plotW, 4.5, Qt::AlignCenter, chart.xTitle, axisFont);

    const std::size_t n = chart.categories.size();
    if (n == 0) {
        c.text(plotLeft, plotTop, plotW, plotH, Qt::AlignCenter, QStringLiteral("keine Fahrzeuge"),
               axisFont);
        return;
    }
    const double slot = plotW / static_cast<double>(n);
    const double groupW = slot * 0.78;
    const double barW = groupW / static_cast<double>(std::max<std::size_t>(1, chart.series.size()));
    // Value labels turn upright when the bars are too narrow for them.
    double widest = 0;
    for (const Series& s : chart.series)
        for (const QString& l : s.labels)
            widest = std::max(widest, c.textWidth(l, small));
    const bool upright = widest > barW + 0.6;

    for (std::size_t i = 0; i < n; ++i) {
        const double gx = plotLeft + slot * static_cast<double>(i) + (slot - groupW) / 2;
        for (std::size_t s = 0; s < chart.series.size(); ++s) {
            const Series& series = chart.series[s];
            const double v = i < series.values.size() ? series.values[i] : 0;
            const double bh = plotH * v / top;
            const double bx = gx + barW * static_cast<double>(s);
            if (bh > 0)
                c.box(bx, plotBottom - bh, barW, bh, series.brush, Qt::black, 0.12);
            const QString label = i < series.labels.size() ? series.labels[i] : QString();
            if (label.isEmpty())
                continue;
            if (upright) {
                QPainter& p = c.painter();
                p.save();
                p.translate(c.point(bx + barW / 2, plotBottom - bh - 0.6));
                p.rotate(-90);
                p.setFont(small);
                p.setPen(Qt::black);
                p.drawText(QRectF(0, -c.px(barW / 2 + 1), c.px(12), c.px(barW + 2)),
                           Qt::AlignLeft | Qt::AlignVCenter, label);
                p.restore();
            } else {
                c.text(bx - 3, plotBottom - bh - 3.4, barW + 6, 3.2,
                       Qt::AlignHCenter | Qt::AlignBottom, label, small);
            }
        }
        c.text(plotLeft + slot * static_cast<double>(i) - 1, plotBottom + 0.8, slot + 2, 3.6,
               Qt::AlignHCenter | Qt::AlignTop, chart.categories[i], n > 16 ? small : axisFont);
    }
    if (chart.marker) {
        const double mx = plotLeft + slot * *chart.marker;
        if (mx >= plotLeft && mx <= plotRight) {
            c.line(mx, plotTop, mx, plotBottom, QColor(0xc6, 0x28, 0x28), 0.35, Qt::DashLine);
            c.text(mx + 0.8, plotTop, 30, 3.6, Qt::AlignLeft | Qt::AlignVCenter, chart.markerLabel,
                   small, QColor(0xc6, 0x28, 0x28));
        }
    }
}

QBrush barBrush() {
    return QBrush(QColor(0x4a, 0x6f, 0x9c));
}

// Speed classes j = lo..hi (10-km/h classes) with their counts.
BarChart speedClassChart(const QString& title,
                         const std::vector<std::pair<int, std::int64_t>>& classes, int limit) {
    BarChart chart;
    chart.title = title;
    chart.xTitle = QStringLiteral("Geschwindigkeit in km/h");
    chart.yTitle = QStringLiteral("Fahrzeuge");
    Series s;
    s.brush = barBrush();
    for (const auto& [from, n] : classes) {
        chart.categories.push_back(QStringLiteral("%1–%2").arg(from).arg(from + 9));
        s.values.push_back(static_cast<double>(n));
        s.labels.push_back(count(n));
    }
    chart.series.push_back(std::move(s));
    if (!classes.empty()) {
        chart.marker = (limit - classes.front().first) / 10.0;
        chart.markerLabel = QStringLiteral("%1 km/h").arg(limit);
    }
    return chart;
}

BarChart hourChart(const QString& title, const std::array<std::int64_t, 24>& hours) {
    BarChart chart;
    chart.title = title;
    chart.xTitle = QStringLiteral("Stunde (Beginn)");
    chart.yTitle = QStringLiteral("Fahrzeuge");
    Series s;
    s.brush = barBrush();
    for (int h = 0; h < 24; ++h) {
        chart.categories.push_back(twoDigits(h));
        s.values.push_back(static_cast<double>(hours[h]));
        s.labels.push_back(hours[h] > 0 ? count(hours[h]) : QString());
    }
    chart.series.push_back(std::move(s));
    return chart;
}

// ---- the report ------------------------------------------------------------------------------

// One measurement day as the report page shows it, with the figures of its charts. A day whose
// speeds cannot be computed shows "--" rather than the previous day's captions, which the window
// would keep: on paper nothing else reveals where those came from.
struct DayPage {
    int day = 0;
    QString reportText;
    DayStats stats;
};

DayPage dayPage(const Site& site, const Table& day, int number) {
    NullStatusSink sink;
    DayReport r = korvala::dayReport(site, day, number, sink);
    return DayPage{number, QString::fromStdString(r.text), std::move(r.stats)};
}

class ReportWriter {
  public:
    ReportWriter(QPainter& p, const TrafficReportInput& in, int total)
        : c_(p), in_(in), a_(*in.analysis), total_(total) {}

    void titlePage();
    void overviewPage();
    void heatMapPage();
    void dayPage(const DayPage& page);
    void qualityPage();
    void comparisonPage();
    void footer(int pageNo);

  private:
    void pageTitle(const QString& title);
    QString limitText() const { return QStringLiteral("%1 km/h").arg(a_.limit); }
    QString periodText() const;

    Canvas c_;
    const TrafficReportInput& in_;
    const Analysis& a_;
    int total_;
};

void ReportWriter::pageTitle(const QString& title) {
    c_.text(kLeft, kTop, kContentWidth, 8, Qt::AlignLeft | Qt::AlignVCenter, title,
            c_.font(15, true));
    c_.line(kLeft, kTop + 9.5, kRight, kTop + 9.5, Qt::black, 0.4);
}

void ReportWriter::footer(int pageNo) {
    const QFont f = c_.font(8);
    c_.line(kLeft, kBottom, kRight, kBottom, Qt::black, 0.2);
    QString site = QString::fromStdString(in_.site.location).simplified();
    if (site.isEmpty())
        site = QStringLiteral("Messort ohne Namen");
    site += QStringLiteral(", Beginn der Messung ") +
            (in_.site.startDate.empty() ? kDash : QString::fromStdString(in_.site.startDate));
    c_.text(kLeft, kBottom + 1, kContentWidth - 30, 5, Qt::AlignLeft | Qt::AlignVCenter, site, f);
    c_.text(kRight - 30, kBottom + 1, 30, 5, Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("Seite %1 von %2").arg(pageNo).arg(total_), f);
}

QString ReportWriter::periodText() const {
    const int days = static_cast<int>(a_.days.size());
    if (days == 0)
        return QStringLiteral("keine Messtage");
    auto one = [&](int day) {
        const auto& w = a_.days[day - 1].weekday;
        return (w ? weekdayName(w) + QStringLiteral(", ") : QString()) +
               dayDateText(in_.site.startDate, day);
    };
    const QString span = days == 1 ? QStringLiteral("1 Tag") : QStringLiteral("%1 Tage").arg(days);
    if (!dateOfDay(in_.site.startDate, 1))
        return QStringLiteral("Tag 1 bis Tag %1 (%2; Beginn der Messung nicht lesbar)")
            .arg(days)
            .arg(span);
    if (days == 1)
        return one(1) + QStringLiteral(" (1 Tag)");
    return one(1) + QStringLiteral(" bis ") + one(days) + QStringLiteral(" (") + span +
           QLatin1Char(')');
}

void ReportWriter::titlePage() {
    double y = kTop + 8;
    c_.text(kLeft, y, kContentWidth, 14, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Verkehrsbericht"), c_.font(26, true));
    y += 14;
    c_.text(kLeft, y, kContentWidth, 7, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Geschwindigkeitsmessung"), c_.font(13));
    y += 10;
    c_.line(kLeft, y, kRight, y, Qt::black, 0.5);
    y += 6;

    const QFont label = c_.font(9, true);
    const QFont value = c_.font(10);
    const double captionW =
        c_.textWidth(QString::fromUtf8("Zulässige Höchstgeschwindigkeit:"), label) + 4;
    auto row = [&](const QString& caption, const QString& text) {
        c_.text(kLeft, y, captionW, 6, Qt::AlignLeft | Qt::AlignTop, caption, label);
        y += std::max(
            6.0, c_.paragraph(kLeft + captionW, y, kContentWidth - captionW, text, value) + 1.5);
    };
    row(QStringLiteral("Messort:"), QString::fromStdString(in_.site.location));
    row(QStringLiteral("Beginn der Messung:"), QString::fromStdString(in_.site.startDate));
    row(QStringLiteral("Zeitraum:"), periodText());
    row(QString::fromUtf8("Zulässige Höchstgeschwindigkeit:"), limitText());
    if (!in_.sourceFile.isEmpty())
        row(QStringLiteral("Messdatei:"), QFileInfo(in_.sourceFile).fileName());
    QString remark = QString::fromStdString(in_.site.remark);
    remark.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!remark.trimmed().isEmpty())
        row(QStringLiteral("Bemerkung:"), remark);
    y += 6;

    // The verdict.
    const Verdict v = a_.exceedance.verdict;
    c_.box(kLeft, y, kContentWidth, 20, verdictFill(v), Qt::black, 0.3);
    const QString verdict = v == Verdict::None ? QStringLiteral("keine Bewertung (keine Fahrzeuge)")
                                               : fromView(verdictText(v));
    c_.text(kLeft + 5, y + 1.5, kContentWidth - 10, 9, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Bewertung nach v85: ") + verdict, c_.font(15, true), verdictInk(v));
    c_.text(kLeft + 5, y + 10.5, kContentWidth - 10, 7, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("v85 = %1 km/h bei zulässigen %2")
                .arg(speedText(a_.speeds.v85), limitText()),
            c_.font(10), verdictInk(v));
    y += 26;

    // Key figures as tiles.
    struct Tile {
        QString caption, value, unit;
    };
    const std::vector<Tile> tiles = {
        {QStringLiteral("Fahrzeuge"), count(a_.speeds.vehicles), QStringLiteral("gesamt")},
        {QStringLiteral("Durchschnittlicher Tagesverkehr"), optFixed(a_.averageDaily, 1),
         QStringLiteral("Fahrzeuge/Tag")},
        {QStringLiteral("v50"), speedText(a_.speeds.v50), QStringLiteral("km/h")},
        {QStringLiteral("v85"), speedText(a_.speeds.v85), QStringLiteral("km/h")},
        {QString::fromUtf8("Anteil über ") + limitText(),
         a_.speeds.vehicles > 0 ? percentText(a_.exceedance.share) : kDash,
         QStringLiteral("%1 Fahrzeuge").arg(a_.exceedance.over)},
    };
    const double gap = 3;
    const double tileW = (kContentWidth - 2 * gap) / 3;
    const double tileH = 27;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const double tx = kLeft + static_cast<double>(i % 3) * (tileW + gap);
        const double ty = y + static_cast<double>(i / 3) * (tileH + gap);
        c_.box(tx, ty, tileW, tileH, QColor(0xf3, 0xf3, 0xf3), Qt::black, 0.2);
        c_.text(tx + 3, ty + 1.5, tileW - 6, 8, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                tiles[i].caption, c_.font(8.5));
        c_.text(tx + 3, ty + 9, tileW - 6, 10, Qt::AlignLeft | Qt::AlignVCenter, tiles[i].value,
                c_.font(17, true));
        c_.text(tx + 3, ty + 19.5, tileW - 6, 5, Qt::AlignLeft | Qt::AlignVCenter, tiles[i].unit,
                c_.font(8.5));
    }
    y += 2 * tileH + gap + 8;

    const QFont note = c_.font(8);
    QString completeNote =
        a_.completeDays.empty()
            ? QString::fromUtf8("Durchschnittlicher Tagesverkehr: kein vollständiger Tag")
            : QString::fromUtf8("Durchschnittlicher Tagesverkehr über die vollständigen Tage: ");
    for (std::size_t i = 0; i < a_.completeDays.size(); ++i)
        completeNote +=
            (i ? QStringLiteral(", ") : QString()) + QString::number(a_.completeDays[i]);
    for (const QString& s : {completeNote, fromView(kRuleComplete), fromView(kRuleV85),
                             fromView(kRuleVerdict), fromView(kRuleExceedance)}) {
        y += c_.paragraph(kLeft, y, kContentWidth, s, note) + 1.2;
    }
}

void ReportWriter::overviewPage() {
    pageTitle(QString::fromUtf8("Wochenübersicht"));
    double y = kBodyTop;
    const std::vector<Column> cols = {
        {QStringLiteral("Tag"), 9, true},
        {QStringLiteral("Datum"), 16, false},
        {QStringLiteral("Wochentag"), 20, false},
        {QStringLiteral("Fahrzeuge"), 19, true},
        {QStringLiteral("v50"), 11, true},
        {QStringLiteral("v85"), 11, true},
        {QString::fromUtf8("über ") + limitText(), 18, true},
        {QStringLiteral("Bewertung"), 23, false},
        {QStringLiteral("erstes / letztes Fz."), 27, false},
        {QString::fromUtf8("voll-\nständig"), 16, false},
    };
    std::vector<QStringList> rows;
    for (const DayAnalysis& d : a_.days) {
        const QString span = d.firstVehicle ? clockText(*d.firstVehicle) + QStringLiteral("–") +
                                                  clockText(*d.lastVehicle)
                                            : kDash;
        rows.push_back(
            {QString::number(d.day), dayDateText(in_.site.startDate, d.day), weekdayName(d.weekday),
             count(d.speeds.vehicles), speedText(d.speeds.v50), speedText(d.speeds.v85),
             d.speeds.vehicles > 0 ? percentText(d.exceedance.share) : kDash,
             d.exceedance.verdict == Verdict::None ? kDash
                                                   : fromView(verdictText(d.exceedance.verdict)),
             span, d.complete ? QStringLiteral("ja") : QStringLiteral("nein")});
    }
    rows.push_back({QString(), QString(), QStringLiteral("gesamt"), count(a_.speeds.vehicles),
                    speedText(a_.speeds.v50), speedText(a_.speeds.v85),
                    a_.speeds.vehicles > 0 ? percentText(a_.exceedance.share) : kDash,
                    a_.exceedance.verdict == Verdict::None
                        ? kDash
                        : fromView(verdictText(a_.exceedance.verdict)),
                    QString(), QString()});
    y = drawTable(c_, kLeft, y, cols, rows, 8) + 3;

    const QFont f = c_.font(8.5);
    QStringList lines;
    lines << QString::fromUtf8("Durchschnittlicher Tagesverkehr (vollständige Tage): ") +
                 (a_.averageDaily ? fixed(*a_.averageDaily, 1) + QStringLiteral(" Fahrzeuge/Tag")
                                  : QString::fromUtf8("kein vollständiger Tag"));
    lines << QStringLiteral("Werktage (Mo–Fr): ") +
                 (a_.averageWeekday
                      ? fixed(*a_.averageWeekday, 1) + QStringLiteral(" Fahrzeuge/Tag")
                      : kDash) +
                 QStringLiteral("; Wochenende (Sa/So): ") +
                 (a_.averageWeekend
                      ? fixed(*a_.averageWeekend, 1) + QStringLiteral(" Fahrzeuge/Tag")
                      : kDash);
    lines << QStringLiteral("Spitzenstunde: ") +
                 (a_.peakHour
                      ? QStringLiteral("Tag %1, %2:00–%3:00, %4 Fahrzeuge")
                            .arg(a_.peakHour->day)
                            .arg(twoDigits(a_.peakHour->hour), twoDigits(a_.peakHour->hour + 1),
                                 count(a_.peakHour->vehicles))
                      : kDash);
    for (const QString& l : lines) {
        c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter, l, f);
        y += 4.6;
    }
    y += 4;

    const SpeedClasses classes = speedClassesOf(*in_.days);
    std::vector<std::pair<int, std::int64_t>> occupied;
    int lo = kSpeedClassCount, hi = -1;
    for (int j = 0; j < kSpeedClassCount; ++j)
        if (classes.counts[j] > 0)
            lo = std::min(lo, j), hi = j;
    for (int j = lo; j <= hi; ++j)
        occupied.emplace_back(10 * j, classes.counts[j]);
    std::array<std::int64_t, 24> hours{};
    for (const DayAnalysis& d : a_.days)
        for (int h = 0; h < 24; ++h)
            hours[h] += d.hours[h].vehicles;

    const double chartH = (kBodyBottom - y - 6) / 2;
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 speedClassChart(QStringLiteral("Geschwindigkeitsverteilung der ganzen Messung"),
                                 occupied, a_.limit));
    y += chartH + 6;
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 hourChart(QStringLiteral("Fahrzeuge je Stunde, alle Tage zusammen"), hours));
}

void ReportWriter::heatMapPage() {
    pageTitle(QStringLiteral("Fahrzeuge je Stunde und Tag"));
    double y = kBodyTop;
    const int days = static_cast<int>(a_.days.size());
    const QFont note = c_.font(8);
    y += c_.paragraph(kLeft, y, kContentWidth,
                      QStringLiteral("Jede Zelle: Fahrzeuge der Stunde (fett) und darunter ihre "
                                     "v85 in km/h, diese ab %1 Fahrzeugen. Je dunkler die Zelle, "
                                     "desto mehr Fahrzeuge.")
                          .arg(kMinVehiclesForCellV85),
                      note) +
         2;

    std::int64_t maximum = 0;
    for (const DayAnalysis& d : a_.days)
        for (const HourCell& cell : d.hours)
            maximum = std::max(maximum, cell.vehicles);

    const double labelW = 22;
    const double legendH = 16;
    const double cellW = days > 0 ? std::min(21.0, (kContentWidth - labelW) / days) : 21;
    const double headH = 9;
    const double cellH = (kBodyBottom - legendH - y - headH - 2) / 25;  // 24 hours and the sum
    const QFont head = c_.font(7.5, true);
    const QFont countFont = c_.font(std::min(8.0, cellH * 1.05), true);
    const QFont v85Font = c_.font(std::min(6.5, cellH * 0.85));

    c_.text(kLeft, y, labelW, headH, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Stunde"),
            head);
    for (int i = 0; i < days; ++i) {
        const DayAnalysis& d = a_.days[i];
        QString caption = QStringLiteral("Tag %1").arg(d.day);
        if (d.weekday)
            caption += QLatin1Char('\n') + weekdayName(d.weekday).left(2) + QLatin1Char(' ') +
                       dayDateText(in_.site.startDate, d.day).left(6);
        c_.text(kLeft + labelW + cellW * i, y, cellW, headH, Qt::AlignCenter, caption, head);
    }
    y += headH;
    for (int h = 0; h < 24; ++h) {
        const double ry = y + cellH * h;
        c_.text(kLeft, ry, labelW, cellH, Qt::AlignLeft | Qt::AlignVCenter,
                twoDigits(h) + QStringLiteral(":00–") + twoDigits(h) + QStringLiteral(":59"),
                c_.font(7));
        for (int i = 0; i < days; ++i) {
            const HourCell& cell = a_.days[i].hours[h];
            const double t = maximum > 0 ? static_cast<double>(cell.vehicles) / maximum : 0;
            const QColor fill = heatColor(t);
            const QColor ink = isDark(fill) ? Qt::white : Qt::black;
            const double cx = kLeft + labelW + cellW * i;
            c_.box(cx, ry, cellW, cellH, fill, QColor(0x90, 0x90, 0x90), 0.1);
            if (cell.v85) {
                c_.text(cx, ry, cellW, cellH * 0.58, Qt::AlignHCenter | Qt::AlignBottom,
                        count(cell.vehicles), countFont, ink);
                c_.text(cx, ry + cellH * 0.55, cellW, cellH * 0.45, Qt::AlignHCenter | Qt::AlignTop,
                        speedText(cell.v85), v85Font, ink);
            } else {
                c_.text(cx, ry, cellW, cellH, Qt::AlignCenter, count(cell.vehicles), countFont,
                        ink);
            }
        }
    }
    y += cellH * 24;
    c_.line(kLeft, y, kLeft + labelW + cellW * days, y, Qt::black, 0.3);
    c_.text(kLeft, y, labelW, cellH, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Summe"),
            head);
    for (int i = 0; i < days; ++i)
        c_.text(kLeft + labelW + cellW * i, y, cellW, cellH, Qt::AlignCenter,
                count(a_.days[i].speeds.vehicles), countFont);
    y += cellH + 4;

    // Legend: the scale with its ends and middle.
    const double lw = 80, lh = 4;
    c_.text(kLeft, y, 30, lh, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Fahrzeuge je Stunde:"), c_.font(7.5));
    const double lx = kLeft + 32;
    const int steps = 40;
    for (int k = 0; k < steps; ++k)
        c_.box(lx + lw * k / steps, y, lw / steps + 0.05, lh, heatColor((k + 0.5) / steps));
    c_.box(lx, y, lw, lh, Qt::NoBrush, Qt::black, 0.15);
    const QFont legendFont = c_.font(7);
    c_.text(lx - 10, y + lh, 20, 4, Qt::AlignCenter, QStringLiteral("0"), legendFont);
    c_.text(lx + lw / 2 - 10, y + lh, 20, 4, Qt::AlignCenter, fixed(maximum / 2.0, 0), legendFont);
    c_.text(lx + lw - 10, y + lh, 20, 4, Qt::AlignCenter, count(maximum), legendFont);
    if (a_.peakHour)
        c_.text(lx + lw + 6, y - 1, kRight - lx - lw - 6, lh + 2, Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("Spitzenstunde: Tag %1, %2:00–%3:00")
                    .arg(a_.peakHour->day)
                    .arg(twoDigits(a_.peakHour->hour), twoDigits(a_.peakHour->hour + 1)),
                c_.font(7.5));
}

void ReportWriter::dayPage(const DayPage& page) {
    const DayAnalysis& d = a_.days[page.day - 1];
    QString title = QStringLiteral("Tag %1").arg(page.day);
    if (d.weekday)
        title += QStringLiteral(" – ") + weekdayName(d.weekday) + QStringLiteral(", ") +
                 dayDateText(in_.site.startDate, page.day);
    pageTitle(title);

    // The report text with the window's tab rule: a stop beyond half the longest speed caption
    // and past "Messungen:", so the columns line up as on the report page.
    QString text = page.reportText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    const double minCharts = 2 * 55 + 6;
    double pt = 8.5;
    QFont f = c_.font(pt);
    while (pt > 5.5 && c_.lineHeight(f) * lines > kBodyBottom - kBodyTop - minCharts) {
        pt -= 0.25;
        f = c_.font(pt);
    }
    const QFontMetricsF fm = c_.metrics(f);
    const double longest =
        std::max({fm.horizontalAdvance(QStringLiteral("Niedrigste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QString::fromUtf8("Höchste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QStringLiteral("Durchschn. Geschwindigkeit:"))});
    // Tabs are expanded here rather than by the text layout, whose stops on a 300-dpi device do
    // not follow the distance given.
    const double tab = c_.mm(
        std::max(longest / 2, fm.horizontalAdvance(QStringLiteral("Messungen:"))) + c_.px(1.5));
    const double lineH = c_.lineHeight(f);
    const double textH = lineH * lines;
    double ty = kBodyTop - 2;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        double x = 0;
        const QStringList parts = line.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                x = (std::floor(x / tab + 1e-9) + 1) * tab;
            if (!parts[i].isEmpty()) {
                c_.text(kLeft + x, ty, kContentWidth, lineH, Qt::AlignLeft | Qt::AlignVCenter,
                        parts[i], f);
                x += c_.textWidth(parts[i], f);
            }
        }
        ty += lineH;
    }

    double y = kBodyTop + textH + 2;
    const double chartH = (kBodyBottom - y - 4) / 2;
    // Only a remark of dozens of lines gets here; the text is what the page is for.
    if (chartH < 30)
        return;
    std::vector<std::pair<int, std::int64_t>> classes;
    for (std::size_t j = 0; j < page.stats.classUpper.size(); ++j)
        classes.emplace_back(page.stats.classUpper[j] - 10, page.stats.classCounts[j]);
    // Fill the gaps between occupied classes, so the axis runs evenly.
    std::vector<std::pair<int, std::int64_t>> axis;
    if (!classes.empty()) {
        std::size_t k = 0;
        for (int from = classes.front().first; from <= classes.back().first; from += 10) {
            const bool here = k < classes.size() && classes[k].first == from;
            axis.emplace_back(from, here ? classes[k++].second : 0);
        }
    }
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 speedClassChart(QStringLiteral("Geschwindigkeitsverteilung"), axis, a_.limit));
    y += chartH + 4;
    std::array<std::int64_t, 24> hours{};
    for (int m = 0; m < 24; ++m)
        hours[(page.stats.firstHour + m) % 24] = page.stats.hourCount[m];
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 hourChart(QStringLiteral("Anzahl der KFZ je Stunde"), hours));
}

void ReportWriter::qualityPage() {
    pageTitle(QString::fromUtf8("Datenqualität"));
    const DataQuality& q = a_.quality;
    double y = kBodyTop;
    const QFont f = c_.font(8.5);
    const QFont bold = c_.font(9.5, true);
    const double lh = 4.4;
    auto line = [&](const QString& s, double indent = 0) {
        c_.text(kLeft + indent, y, kContentWidth - indent, lh, Qt::AlignLeft | Qt::AlignVCenter, s,
                f);
        y += lh;
    };
    auto heading = [&](const QString& s) {
        y += 2;
        c_.text(kLeft, y, kContentWidth, 5.5, Qt::AlignLeft | Qt::AlignVCenter, s, bold);
        y += 5.8;
    };

    heading(QStringLiteral("Eingelesene Daten"));
    line(QStringLiteral("Entfernte Duplikate: %1").arg(q.duplicatesDropped));
    line(QStringLiteral("Abgewiesene Datenzeilen: %1").arg(q.linesRejected));
    auto partial = [&](const QString& caption, const std::optional<PartialDay>& pd) {
        if (!pd)
            return;
        QString s = caption + QStringLiteral(" (Tag %1): ").arg(pd->day);
        s += pd->firstHour ? QStringLiteral("Fahrzeuge von %1:00 bis %2:59")
                                 .arg(twoDigits(*pd->firstHour), twoDigits(*pd->lastHour))
                           : QStringLiteral("keine Fahrzeuge");
        s +=
            pd->partial ? QString::fromUtf8(", unvollständig") : QString::fromUtf8(", vollständig");
        line(s);
    };
    partial(QStringLiteral("Erster Tag"), q.firstDay);
    partial(QStringLiteral("Letzter Tag"), q.lastDay);

    heading(QString::fromUtf8("Lücken von mindestens 60 Minuten zwischen 06:00 und 22:00"));
    bool anyGap = false;
    for (const DayAnalysis& d : a_.days) {
        if (d.gaps.empty())
            continue;
        anyGap = true;
        QString s = QStringLiteral("Tag %1: ").arg(d.day);
        for (std::size_t i = 0; i < d.gaps.size(); ++i)
            s += (i ? QStringLiteral(", ") : QString()) + clockText(d.gaps[i].from) +
                 QStringLiteral("–") + clockText(d.gaps[i].to);
        y += c_.paragraph(kLeft, y, kContentWidth, s, f);
    }
    if (!anyGap)
        line(QStringLiteral("keine"));

    heading(QStringLiteral("Die höchsten Geschwindigkeiten"));
    if (q.topSpeeds.empty())
        line(kDash);
    for (std::size_t i = 0; i < q.topSpeeds.size(); ++i) {
        const SpeedEvent& e = q.topSpeeds[i];
        line(QStringLiteral("%1.  %2 km/h  Tag %3  %4")
                 .arg(i + 1)
                 .arg(QString::fromStdString(decimalText(e.speed)))
                 .arg(e.day)
                 .arg(clockText(e.second) + QLatin1Char(':') + twoDigits(e.second % 60)),
             3);
    }

    heading(QString::fromUtf8("Unplausible Geschwindigkeiten (unter %1 oder ab %2 km/h): %3")
                .arg(QString::fromStdString(decimalText(kImplausibleBelow)),
                     QString::fromStdString(decimalText(kImplausibleFrom)))
                .arg(q.implausibleCount));
    // The rules below must stay on the page; the list gives way to them.
    QStringList rules;
    for (std::string_view r : {kRulePercentiles, kRuleV85, kRuleStdDev, kRulePace, kRuleExceedance,
                               kRuleVerdict, kRuleComplete, kRuleGaps, kRuleImplausible})
        rules << fromView(r);
    const QFont ruleFont = c_.font(7.5);
    double rulesH = 10;
    for (const QString& r : rules)
        rulesH += c_.paragraphHeight(kContentWidth, QStringLiteral("• ") + r, ruleFont) + 1;
    const int room = std::max(0, static_cast<int>((kBodyBottom - rulesH - y) / lh) - 1);
    const int listed = std::min<int>(3 * room, static_cast<int>(q.implausible.size()));
    // Three columns keep a long list short.
    const int perColumn = (listed + 2) / 3;
    for (int i = 0; i < listed; ++i) {
        const SpeedEvent& e = q.implausible[i];
        const int col = perColumn > 0 ? i / perColumn : 0;
        const int row = perColumn > 0 ? i % perColumn : 0;
        c_.text(kLeft + 3 + col * 57, y + row * lh, 56, lh, Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("Tag %1  %2  %3 km/h")
                    .arg(e.day)
                    .arg(clockText(e.second) + QLatin1Char(':') + twoDigits(e.second % 60))
                    .arg(QString::fromStdString(decimalText(e.speed))),
                f);
    }
    y += perColumn * lh;
    if (q.implausibleCount > listed)
        line(QStringLiteral("(%1 weitere nicht aufgeführt)").arg(q.implausibleCount - listed), 3);

    y = std::max(y + 2, kBodyBottom - rulesH);
    c_.text(kLeft, y, kContentWidth, 5.5, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Berechnungsregeln"), bold);
    y += 6;
    for (const QString& r : rules)
        y += c_.paragraph(kLeft, y, kContentWidth, QStringLiteral("• ") + r, ruleFont) + 1;
}

void ReportWriter::comparisonPage() {
    const Comparison& cmp = *in_.comparison;
    pageTitle(QStringLiteral("Vergleich Vorher / Nachher"));
    double y = kBodyTop;
    const QFont f = c_.font(8.5);
    auto name = [](const QString& file, const QString& fallback) {
        return file.isEmpty() ? fallback : QFileInfo(file).fileName();
    };
    c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter,
            fromView(kBeforeCaption) + QStringLiteral(": ") +
                name(in_.sourceFile, QStringLiteral("aktuelle Messung")) +
                QStringLiteral(" (Beginn ") + QString::fromStdString(in_.site.startDate) +
                QLatin1Char(')'),
            f);
    y += 4.6;
    c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter,
            fromView(kAfterCaption) + QStringLiteral(": ") +
                name(in_.comparisonFile, QStringLiteral("Vergleichsmessung")),
            f);
    y += 4.6;
    y += c_.paragraph(
             kLeft, y, kContentWidth,
             fromView(kRuleDifference) + QStringLiteral("; zulässig %1 km/h.").arg(cmp.limit), f) +
         3;

    auto speedRow = [](const QString& caption, const ComparedFigure& fig) {
        const auto d = fig.difference();
        return QStringList{caption, speedText(fig.before), speedText(fig.after),
                           d ? signedText(*d, 1, QStringLiteral("km/h")) : kDash};
    };
    auto shareRow = [](const QString& caption, const ComparedFigure& fig) {
        const auto d = fig.difference();
        return QStringList{caption, optPercent(fig.before), optPercent(fig.after),
                           d ? signedText(*d * 100, 1, QStringLiteral("Pp.")) : kDash};
    };
    auto countRow = [](const QString& caption, const ComparedFigure& fig, int decimals) {
        const auto d = fig.difference();
        return QStringList{caption, optFixed(fig.before, decimals), optFixed(fig.after, decimals),
                           d ? signedText(*d, decimals) : kDash};
    };
    std::vector<QStringList> rows;
    rows.push_back(countRow(QStringLiteral("Fahrzeuge"), cmp.whole.vehicles, 0));
    rows.push_back(
        countRow(QStringLiteral("Durchschnittlicher Tagesverkehr"), cmp.averageDaily, 1));
    rows.push_back(speedRow(QStringLiteral("v50"), cmp.whole.v50));
    rows.push_back(speedRow(QStringLiteral("v85"), cmp.whole.v85));
    rows.push_back(
        shareRow(QString::fromUtf8("Anteil über %1 km/h").arg(cmp.limit), cmp.whole.shareOver));
    for (int b = 0; b < kExceedanceBands; ++b)
        rows.push_back(shareRow(QStringLiteral("   ") + fromView(a_.exceedance.bands[b].label) +
                                    QStringLiteral(" km/h"),
                                cmp.whole.bandShares[b]));
    y = drawTable(c_, kLeft, y,
                  {{QStringLiteral("Gesamte Messung"), 60, false},
                   {fromView(kBeforeCaption), 36, true},
                   {fromView(kAfterCaption), 36, true},
                   {fromView(kDifferenceCaption), 38, true}},
                  rows, 8, 5) +
        5;

    std::vector<QStringList> dayRows;
    auto diff = [](const std::optional<double>& d, int decimals, double factor = 1) {
        return d ? signedText(*d * factor, decimals) : kDash;
    };
    for (const ComparedDay& d : cmp.days) {
        const ComparedFigures& g = d.figures;
        // Day n meets day n; the weekdays show whether like is compared with like.
        auto shortDay = [](const std::optional<int>& w) {
            return w ? weekdayName(w).left(2) : kDash;
        };
        dayRows.push_back({QString::number(d.day) + QLatin1Char(' ') + shortDay(d.weekdayBefore) +
                               QLatin1Char('/') + shortDay(d.weekdayAfter),
                           optFixed(g.vehicles.before, 0), optFixed(g.vehicles.after, 0),
                           diff(g.vehicles.difference(), 0), speedText(g.v50.before),
                           speedText(g.v50.after), diff(g.v50.difference(), 1),
                           speedText(g.v85.before), speedText(g.v85.after),
                           diff(g.v85.difference(), 1), optPercent(g.shareOver.before),
                           optPercent(g.shareOver.after), diff(g.shareOver.difference(), 1, 100)});
    }
    const QString v = QStringLiteral("V"), n = QStringLiteral("N"), dd = QStringLiteral("Δ");
    y = drawTable(c_, kLeft, y,
                  {{QStringLiteral("Tag"), 16, false},
                   {QStringLiteral("Fz. ") + v, 12, true},
                   {QStringLiteral("Fz. ") + n, 12, true},
                   {QStringLiteral("Fz. ") + dd, 12, true},
                   {QStringLiteral("v50 ") + v, 11, true},
                   {QStringLiteral("v50 ") + n, 11, true},
                   {QStringLiteral("v50 ") + dd, 11, true},
                   {QStringLiteral("v85 ") + v, 11, true},
                   {QStringLiteral("v85 ") + n, 11, true},
                   {QStringLiteral("v85 ") + dd, 11, true},
                   {QString::fromUtf8("über ") + v, 16, true},
                   {QString::fromUtf8("über ") + n, 16, true},
                   {QString::fromUtf8("über ") + dd + QStringLiteral(" Pp."), 20, true}},
                  dayRows, 7, 4.6) +
        1.5;
    c_.text(kLeft, y, kContentWidth, 4, Qt::AlignLeft | Qt::AlignVCenter,
            QString::fromUtf8("V = Vorher, N = Nachher, Δ = Nachher − Vorher; Tag n der einen "
                              "Messung steht neben Tag n der anderen."),
            c_.font(7));
    y += 7;

    BarChart chart;
    chart.title = QStringLiteral("Geschwindigkeitsverteilung, Anteil je 10-km/h-Klasse");
    chart.xTitle = QStringLiteral("Geschwindigkeit in km/h");
    chart.yTitle = QStringLiteral("Anteil in %");
    chart.legend = true;
    Series before{fromView(kBeforeCaption), {}, {}, QBrush(QColor(0x55, 0x55, 0x55))};
    QBrush hatch(Qt::black, Qt::BDiagPattern);
    Series after{fromView(kAfterCaption), {}, {}, hatch};
    for (const ComparedClass& cc : cmp.classes) {
        chart.categories.push_back(QStringLiteral("%1–%2").arg(cc.from).arg(cc.from + 9));
        before.values.push_back(cc.share.before.value_or(0) * 100);
        after.values.push_back(cc.share.after.value_or(0) * 100);
        before.labels.push_back(cc.share.before ? fixed(*cc.share.before * 100, 1) : QString());
        after.labels.push_back(cc.share.after ? fixed(*cc.share.after * 100, 1) : QString());
    }
    chart.series = {before, after};
    if (!cmp.classes.empty()) {
        chart.marker = (cmp.limit - cmp.classes.front().from) / 10.0;
        chart.markerLabel = QStringLiteral("%1 km/h").arg(cmp.limit);
    }
    drawBarChart(c_, kLeft, y, kContentWidth, std::max(40.0, kBodyBottom - y), chart);
}

}  // namespace

TrafficReportInput trafficReportInput(const Session& session, const Analysis& analysis) {
    TrafficReportInput in;
    in.site = session.site();
    in.days = &session.days();
    in.analysis = &analysis;
    in.sourceFile = QString::fromStdString(session.fileName());
    return in;
}

int trafficReportPageCount(const TrafficReportInput& in) {
    const int days = in.analysis ? static_cast<int>(in.analysis->days.size()) : 0;
    return 3 + days + 1 + (in.comparison ? 1 : 0);
}

bool writeTrafficReportPdf(const QString& path, const TrafficReportInput& in, QString* error,
                           std::function<bool(int done, int total)> progress) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (error)
        error->clear();
    if (!in.analysis || !in.days)
        return fail(QStringLiteral("Keine Messung ausgewertet."));

    // QSaveFile writes beside the target and renames only on commit, so a cancelled or failed
    // report never leaves a half-written file nor destroys an earlier one. Opening it first
    // reports an unwritable folder before any page is drawn.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                        .arg(path, file.errorString()));
    // The PDF engine closes its device when done, which a QSaveFile must not be; the pages are
    // drawn into memory instead (a full week is a few hundred kilobytes).
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);

    const int total = trafficReportPageCount(in);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setCreator(QStringLiteral("Korvala"));
    writer.setTitle(QStringLiteral("Verkehrsbericht ") + QString::fromStdString(in.site.location));

    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        return fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden.").arg(path));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    ReportWriter report(painter, in, total);

    int done = 0;
    bool cancelled = false;
    // Draws one page with its footer; false once the caller has cancelled.
    auto page = [&](auto&& draw) {
        if (cancelled)
            return false;
        if (done > 0)
            writer.newPage();
        draw();
        report.footer(done + 1);
        ++done;
        if (progress && !progress(done, total))
            cancelled = true;
        return !cancelled;
    };

    page([&] { report.titlePage(); });
    page([&] { report.overviewPage(); });
    page([&] { report.heatMapPage(); });
    for (const DayAnalysis& d : in.analysis->days) {
        if (cancelled)
            break;
        const DayPage dp = dayPage(in.site, (*in.days)[d.day - 1], d.day);
        page([&] { report.dayPage(dp); });
    }
    page([&] { report.qualityPage(); });
    if (in.comparison)
        page([&] { report.comparisonPage(); });

    painter.end();
    if (cancelled) {
        file.cancelWriting();
        return false;
    }
    const QByteArray& bytes = buffer.data();
    if (bytes.isEmpty()) {
        file.cancelWriting();
        return fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden.").arg(path));
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                        .arg(path, file.errorString()));
    return true;
}

}  // namespace korvala
