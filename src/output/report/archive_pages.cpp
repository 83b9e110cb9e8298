#include "output/report/archive_pages.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "output/chart_labels.h"
#include "output/figure_text.h"
#include "output/report/figure_qt.h"
#include "output/report/pdf_file.h"

namespace korvala::report {

namespace {

constexpr double kFontPt = 8.5;
constexpr double kRowH = 5.6;
constexpr double kTrendHeight = 100;
const QColor kBarColour(0x4a, 0x6f, 0x9c);

double headerHeight(const Canvas& c, const std::vector<Column>& columns) {
    const QFont head = c.font(kFontPt, true);
    double h = kRowH;
    for (const Column& col : columns)
        h = std::max(h, c.paragraphHeight(col.width - 2, col.title, head) + 1.6);
    return h;
}

// Where the table starts on the first page, below the title, the facts and the trend.
double factsHeight(const Canvas& c, const ArchiveList& list) {
    const QFont f = c.font(9);
    double h = 2;
    for (const QString& line : list.facts)
        h += c.paragraphHeight(kContentWidth, line, f) + 1;
    return h;
}

double firstTableTop(const Canvas& c, const ArchiveList& list) {
    double y = kBodyTop + factsHeight(c, list);
    if (!list.trend.empty())
        y += kTrendHeight + 6;
    return y;
}

// The rows each page takes: the first page below the trend, the others from the top.
std::vector<int> rowsPerPage(const Canvas& c, const ArchiveList& list) {
    const double head = headerHeight(c, list.columns);
    const auto fits = [&](double top) {
        return std::max(1, static_cast<int>((kBodyBottom - top - head) / kRowH));
    };
    std::vector<int> pages;
    int left = static_cast<int>(list.rows.size());
    int take = fits(firstTableTop(c, list));
    do {
        pages.push_back(std::min(left, take));
        left -= pages.back();
        take = fits(kBodyTop);
    } while (left > 0);
    return pages;
}

class ListPages {
  public:
    ListPages(QPainter& p, const ArchiveList& list) : c_(p), list_(list) {}

    void draw(const std::function<void()>& newPage) {
        const std::vector<int> pages = rowsPerPage(c_, list_);
        const int total = static_cast<int>(pages.size());
        std::size_t row = 0;
        for (int page = 0; page < total; ++page) {
            if (page > 0)
                newPage();
            double y = kBodyTop;
            if (page == 0) {
                title(list_.title);
                y = facts(y);
                if (!list_.trend.empty()) {
                    drawTrend(c_, kLeft, y, kContentWidth, kTrendHeight, list_.trend, list_.limit);
                    y += kTrendHeight + 6;
                }
            } else {
                title(list_.title + QStringLiteral(" (Fortsetzung)"));
            }
            const auto n = static_cast<std::size_t>(pages[static_cast<std::size_t>(page)]);
            table(y, row, n);
            row += n;
            footer(page + 1, total);
        }
    }

  private:
    void title(const QString& text) { drawPageTitle(c_, text); }

    double facts(double y) {
        const QFont f = c_.font(9);
        for (const QString& line : list_.facts)
            y += c_.paragraph(kLeft, y, kContentWidth, line, f) + 1;
        return y + 2;
    }

    void table(double y, std::size_t from, std::size_t n) {
        const std::vector<QStringList> rows(
            list_.rows.begin() + static_cast<std::ptrdiff_t>(from),
            list_.rows.begin() + static_cast<std::ptrdiff_t>(from + n));
        const double bottom = drawTable(c_, kLeft, y, list_.columns, rows, kFontPt, kRowH);
        if (list_.verdictColumn < 0)
            return;
        const auto col = static_cast<std::size_t>(list_.verdictColumn);
        double x = kLeft;
        for (std::size_t k = 0; k < col; ++k)
            x += list_.columns[k].width;
        const double w = list_.columns[col].width;
        const QFont body = c_.font(kFontPt);
        for (std::size_t r = 0; r < n; ++r) {
            const Verdict v =
                from + r < list_.verdicts.size() ? list_.verdicts[from + r] : Verdict::None;
            if (v == Verdict::None)
                continue;
            const double top = bottom - static_cast<double>(n - r) * kRowH;
            const QColor fill = verdictQColor(v);
            c_.box(x + 0.3, top + 0.3, w - 0.6, kRowH - 0.6, fill);
            c_.text(x + 1, top, w - 2, kRowH,
                    (list_.columns[col].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                    rows[r].value(list_.verdictColumn), body, inkOn(fill));
        }
    }

    void footer(int page, int total) { drawPageFooter(c_, list_.footer, page, total); }

    Canvas c_;
    const ArchiveList& list_;
};

// A value axis from 0 with whole steps, its grid and numbers; maps values to y.
struct ValueAxis {
    double top, bottom;  // mm
    CountAxis scale;
    double y(double v) const { return bottom - (bottom - top) * v / scale.top; }
};

ValueAxis valueAxis(Canvas& c, double x, double left, double right, double top, double bottom,
                    double highest) {
    const ValueAxis axis{top, bottom, countAxis(static_cast<int>(std::ceil(highest)))};
    const QFont f = c.font(7);
    for (int v = 0; v <= axis.scale.top; v += axis.scale.step) {
        const double gy = axis.y(v);
        if (v > 0)
            c.line(left, gy, right, gy, QColor(0xd0, 0xd0, 0xd0), 0.15);
        c.text(x, gy - 2, 12, 4, Qt::AlignRight | Qt::AlignVCenter, QString::number(v), f);
    }
    c.line(left, top, left, bottom, Qt::black, 0.25);
    c.line(left, bottom, right, bottom, Qt::black, 0.25);
    return axis;
}

}  // namespace

void drawTrend(Canvas& c, double x, double y, double w, double h,
               const std::vector<TrendPoint>& trend, int limit) {
    if (trend.empty())
        return;
    // The limit is named right of the plot, where no measurement can cover it.
    const double left = x + 14, right = x + w - 14;
    double first = trend.front().day, last = trend.back().day;
    // A single measurement, or several close together, still get room on both sides.
    const double pad = std::max(15.0, (last - first) * 0.05);
    first -= pad;
    last += pad;
    const auto px = [&](double day) {
        return left + (right - left) * (day - first) / (last - first);
    };

    const QFont titleFont = c.font(9.5, true);
    const QFont small = c.font(7);
    const double speedH = h * 0.55;
    c.text(x, y, w, 5, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("v85 je Messung in km/h"),
           titleFont);
    double highest = limit;
    for (const TrendPoint& p : trend)
        highest = std::max(highest, p.v85);
    const ValueAxis speed = valueAxis(c, x, left, right, y + 8, y + speedH, highest + 1);
    const QColor red = verdictQColor(Verdict::Remarkable);
    c.line(left, speed.y(limit), right, speed.y(limit), red, 0.35, Qt::DashLine);
    c.text(right + 1, speed.y(limit) - 1.8, x + w - right - 1, 3.6,
           Qt::AlignLeft | Qt::AlignVCenter, qText(limitText(limit)), small, red);
    for (std::size_t i = 1; i < trend.size(); ++i)
        c.line(px(trend[i - 1].day), speed.y(trend[i - 1].v85), px(trend[i].day),
               speed.y(trend[i].v85), Qt::black, 0.3);
    QPainter& p = c.painter();
    for (const TrendPoint& t : trend) {
        p.setPen(QPen(Qt::black, c.px(0.15)));
        p.setBrush(verdictQColor(t.verdict));
        p.drawEllipse(c.point(px(t.day), speed.y(t.v85)), c.px(1.3), c.px(1.3));
    }
    p.setBrush(Qt::NoBrush);

    const double shareTop = y + speedH + 4;
    c.text(x, shareTop, w, 5, Qt::AlignLeft | Qt::AlignVCenter,
           QString::fromUtf8("Anteil über %1 je Messung in %").arg(qText(limitText(limit))),
           titleFont);
    double most = 1;
    for (const TrendPoint& t : trend)
        most = std::max(most, t.shareOver * 100);
    const ValueAxis share = valueAxis(c, x, left, right, shareTop + 8, y + h - 6, most);
    for (const TrendPoint& t : trend) {
        const double top = share.y(t.shareOver * 100);
        c.box(px(t.day) - 1.5, top, 3, share.bottom - top, kBarColour, Qt::black, 0.12);
    }
    // Dates under the axis, each where it does not run into the one before.
    double free = left - 20;
    for (const TrendPoint& t : trend) {
        const double tw = c.textWidth(t.label, small) + 2;
        const double at = px(t.day);
        c.line(at, share.bottom, at, share.bottom + 1, Qt::black, 0.2);
        if (at - tw / 2 < free)
            continue;
        c.text(at - tw / 2, share.bottom + 1.2, tw, 3.6, Qt::AlignCenter, t.label, small);
        free = at + tw / 2 + 1;
    }
}

bool writeArchiveListPdf(const QString& path, const ArchiveList& list, QString* error) {
    return writePdfFile(
        path, list.title,
        [&list](QPainter& painter, const std::function<void()>& newPage) {
            ListPages(painter, list).draw(newPage);
            return true;
        },
        error);
}

}  // namespace korvala::report
