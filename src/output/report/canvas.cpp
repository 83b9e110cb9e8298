#include "output/report/canvas.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace korvala::report {

namespace {

const QString kFontFamily = QStringLiteral("DejaVu Sans");

}  // namespace

Canvas::Canvas(QPainter& p) : p_(p), perMm_(p.device()->logicalDpiX() / 25.4) {}

QFont Canvas::font(double pt, bool bold) const {
    QFont f(kFontFamily);
    f.setPointSizeF(pt);
    f.setBold(bold);
    // Without shaping there are no ligatures, so "auffällig" stays nine letters when the text is
    // searched or copied out of the PDF; Latin text needs nothing else of it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QFontMetricsF Canvas::metrics(const QFont& f) const {
    return QFontMetricsF(f, p_.device());
}

double Canvas::textWidth(const QString& s, const QFont& f) const {
    return mm(metrics(f).horizontalAdvance(s));
}

double Canvas::lineHeight(const QFont& f) const {
    return mm(metrics(f).lineSpacing());
}

void Canvas::text(double x, double y, double w, double h, int flags, const QString& s,
                  const QFont& f, const QColor& ink) {
    p_.setFont(f);
    p_.setPen(ink);
    p_.drawText(rect(x, y, w, h), flags, s);
}

double Canvas::paragraph(double x, double y, double w, const QString& s, const QFont& f) {
    p_.setFont(f);
    p_.setPen(Qt::black);
    const QRectF bounds = p_.boundingRect(rect(x, y, w, 1000), Qt::AlignLeft | Qt::TextWordWrap, s);
    p_.drawText(bounds, Qt::AlignLeft | Qt::TextWordWrap, s);
    return mm(bounds.height());
}

double Canvas::paragraphHeight(double w, const QString& s, const QFont& f) const {
    return mm(metrics(f)
                  .boundingRect(QRectF(0, 0, px(w), px(1000)), Qt::AlignLeft | Qt::TextWordWrap, s)
                  .height());
}

void Canvas::line(double x1, double y1, double x2, double y2, const QColor& c, double widthMm,
                  Qt::PenStyle style) {
    QPen pen(c);
    pen.setWidthF(px(widthMm));
    pen.setStyle(style);
    p_.setPen(pen);
    p_.drawLine(point(x1, y1), point(x2, y2));
}

void Canvas::box(double x, double y, double w, double h, const QBrush& fill, const QColor& border,
                 double widthMm) {
    QPen pen(border);
    pen.setWidthF(px(widthMm));
    p_.setPen(border.alpha() == 0 ? QPen(Qt::NoPen) : pen);
    p_.setBrush(fill);
    p_.drawRect(rect(x, y, w, h));
    p_.setBrush(Qt::NoBrush);
}

double drawTable(Canvas& c, double x, double y, const std::vector<Column>& columns,
                 const std::vector<QStringList>& rows, double fontPt, double rowH) {
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

void drawPageTitle(Canvas& c, const QString& title) {
    c.text(kLeft, kTop, kContentWidth, 8, Qt::AlignLeft | Qt::AlignVCenter, title,
           c.font(15, true));
    c.line(kLeft, kTop + 9.5, kRight, kTop + 9.5, Qt::black, 0.4);
}

void drawPageFooter(Canvas& c, const QString& what, int page, int total) {
    const QFont f = c.font(8);
    c.line(kLeft, kBottom, kRight, kBottom, Qt::black, 0.2);
    c.text(kLeft, kBottom + 1, kContentWidth - 30, 5, Qt::AlignLeft | Qt::AlignVCenter, what, f);
    c.text(kRight - 30, kBottom + 1, 30, 5, Qt::AlignRight | Qt::AlignVCenter,
           QStringLiteral("Seite %1 von %2").arg(page).arg(total), f);
}

}  // namespace korvala::report
