#pragma once
// The drawing kit of the PDF report: A4 page geometry in millimetres, a canvas that draws text,
// lines and boxes in millimetres on any QPainter, and tables with a bold header and light bands.

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace korvala::report {

// ---- page geometry, in millimetres on A4 portrait ------------------------------------------

constexpr int kResolution = 300;
constexpr double kPageWidth = 210, kPageHeight = 297;
constexpr double kLeft = 20, kRight = kPageWidth - 18, kTop = 16, kBottom = kPageHeight - 18;
constexpr double kContentWidth = kRight - kLeft;
constexpr double kBodyTop = kTop + 14;  // below the page title
constexpr double kBodyBottom = kBottom - 4;

// ---- drawing in millimetres ------------------------------------------------------------------

class Canvas {
  public:
    explicit Canvas(QPainter& p);

    QPainter& painter() { return p_; }
    double px(double mm) const { return mm * perMm_; }
    double mm(double px) const { return px / perMm_; }
    QRectF rect(double x, double y, double w, double h) const {
        return QRectF(px(x), px(y), px(w), px(h));
    }
    QPointF point(double x, double y) const { return QPointF(px(x), px(y)); }

    // The report's font (DejaVu Sans) at `pt` points.
    QFont font(double pt, bool bold = false) const;
    QFontMetricsF metrics(const QFont& f) const;
    double textWidth(const QString& s, const QFont& f) const;
    double lineHeight(const QFont& f) const;

    void text(double x, double y, double w, double h, int flags, const QString& s, const QFont& f,
              const QColor& ink = Qt::black);
    // Wrapped text from (x, y) within width w; returns the height used.
    double paragraph(double x, double y, double w, const QString& s, const QFont& f);
    double paragraphHeight(double w, const QString& s, const QFont& f) const;
    void line(double x1, double y1, double x2, double y2, const QColor& c = Qt::black,
              double widthMm = 0.2, Qt::PenStyle style = Qt::SolidLine);
    void box(double x, double y, double w, double h, const QBrush& fill,
             const QColor& border = Qt::transparent, double widthMm = 0.2);

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
                 const std::vector<QStringList>& rows, double fontPt = 8.5, double rowH = 5.6);

// ---- every page ------------------------------------------------------------------------------

// The title at the top of a page, underlined across the text width.
void drawPageTitle(Canvas& c, const QString& title);
// The footer: a rule, `what` on the left (the site, the list), "Seite n von m" on the right.
void drawPageFooter(Canvas& c, const QString& what, int page, int total);

}  // namespace korvala::report
