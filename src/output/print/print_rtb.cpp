#include "output/print/print_rtb.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "output/print/print_queue.h"

// The text layout scales tab distances by the device's resolution over this one.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace korvala {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerMm = kTwipsPerInch / 25.4;
constexpr double kTabStopTwips = 720.0;  // a tab every half inch, as in the report box

int twips(double mm) {
    return static_cast<int>(std::lround(mm * kTwipsPerMm));
}

struct Line {
    int start;  // first character, counted like QTextDocument positions
    double top;
    double bottom;
    QTextBlock block;
    int index;       // line number within the block's layout, -1 for a block without one
    QPointF origin;  // the block's position, where its layout is drawn
};

// Every laid-out line of the document in reading order, in document coordinates.
std::vector<Line> linesOf(QTextDocument& doc) {
    std::vector<Line> lines;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        const QTextLayout* textLayout = block.layout();
        if (textLayout == nullptr || textLayout->lineCount() == 0) {
            lines.push_back({block.position(), box.top(), box.bottom(), block, -1, box.topLeft()});
            continue;
        }
        for (int i = 0; i < textLayout->lineCount(); ++i) {
            const QTextLine line = textLayout->lineAt(i);
            const double top = box.top() + line.y();
            lines.push_back({block.position() + line.textStart(), top, top + line.height(), block,
                             i, box.topLeft()});
        }
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.top < b.top; });
    return lines;
}

// Index of the first line not placed on a page that begins with line `first`. At least one
// line is always placed, so a line taller than the page cannot stop the page loop.
std::size_t fitLines(const std::vector<Line>& lines, std::size_t first, double pageHeight) {
    const double top = lines[first].top;
    std::size_t next = first;
    // A small tolerance, so that text which fills the rectangle exactly is not pushed on.
    while (next < lines.size() && lines[next].bottom - top <= pageHeight + 0.01) {
        ++next;
    }
    return std::max(next, first + 1);
}

QString plainWithParagraphs(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return plain;
}

}  // namespace

QFont pageNumberFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(12);
    return font;
}

PrintGeometry printGeometry(const QPrinter& printer, int left, int top, int right, int bottom) {
    const QPageLayout layout = printer.pageLayout();
    // paintRect is the printable area (the whole paper in full-page mode); its corner is where
    // a painter on the printer has its origin.
    const QRectF printable = layout.paintRect(QPageLayout::Millimeter);
    PrintGeometry g;
    g.leftOffset = twips(printable.left());
    g.topOffset = twips(printable.top());
    g.width = twips(printable.width());
    g.height = twips(printable.height());
    g.textRect = {left - g.leftOffset, top - g.topOffset, g.width - right + g.leftOffset,
                  g.height - bottom + g.topOffset};
    return g;
}

int PrintRTB(const QTextDocument& document, QPrinter& printer, int leftMargin, int topMargin,
             int rightMargin, int bottomMargin) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    const PrintGeometry g =
        printGeometry(printer, leftMargin, topMargin, rightMargin, bottomMargin);
    const double scale = printer.resolution() / kTwipsPerInch;  // twips to device units
    const QRectF textRect(g.textRect.left * scale, g.textRect.top * scale,
                          g.textRect.width() * scale, g.textRect.height() * scale);
    const double textBottom = textRect.bottom();
    const double pageWidth = g.width * scale;
    const double pageHeight = g.height * scale;

    // Lay the text out for the printer itself, so line breaks and page breaks are measured in
    // the fonts as printed. Fonts and tab stops stay the document's own: the page looks like the
    // box it comes from.
    std::unique_ptr<QTextDocument> doc(document.clone());
    doc->documentLayout()->setPaintDevice(&printer);
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    doc->setTextWidth(std::max(1.0, textRect.width()));
    doc->documentLayout()->documentSize();  // forces the layout before the lines are read

    const int textLength = std::max(0, doc->characterCount() - 1);
    const std::vector<Line> lines = linesOf(*doc);
    const QFont numberFont = pageNumberFont();
    const QFontMetricsF numberMetrics(numberFont, &printer);

    std::size_t firstLine = 0;
    int page = 1;
    while (true) {
        // The text of this page.
        std::size_t nextLine = firstLine;
        if (firstLine < lines.size()) {
            nextLine = fitLines(lines, firstLine, textRect.height());
            const double top = lines[firstLine].top;
            const double height =
                std::min(lines[nextLine - 1].bottom - top, std::max(0.0, textRect.height()));
            if (height > 0) {
                // Line by line: drawing the document through a clip would still put the
                // clipped neighbours' text into the page content.
                painter.save();
                painter.setClipRect(
                    QRectF(textRect.left(), textRect.top(), textRect.width(), height));
                painter.translate(textRect.left(), textRect.top() - top);
                for (std::size_t i = firstLine; i < nextLine; ++i) {
                    const Line& line = lines[i];
                    if (line.index >= 0) {
                        line.block.layout()->lineAt(line.index).draw(&painter, line.origin);
                    }
                }
                painter.restore();
            }
        }
        const int next = nextLine < lines.size() ? lines[nextLine].start : textLength;

        // Its number, right-aligned at the printable area's edge in the strip below the text.
        const QString number = QStringLiteral("Seite %1").arg(page);
        painter.setFont(numberFont);
        const double x = pageWidth - numberMetrics.horizontalAdvance(number);
        const double y = textBottom + (pageHeight - textBottom - numberMetrics.height()) / 2;
        painter.drawText(QPointF(x, y + numberMetrics.ascent()), number);

        if (next >= textLength || nextLine >= lines.size()) {
            break;
        }
        if (!printer.newPage()) {
            break;
        }
        firstLine = nextLine;
        ++page;
    }
    painter.end();
    return page;
}

int PrintRTB(const QString& text, const QFont& font, QPrinter& printer, int leftMargin,
             int topMargin, int rightMargin, int bottomMargin) {
    QTextDocument doc;
    doc.setDefaultFont(font);
    QTextOption option = doc.defaultTextOption();
    option.setTabStopDistance(kTabStopTwips / kTwipsPerInch * qt_defaultDpiY());
    doc.setDefaultTextOption(option);
    doc.setPlainText(plainWithParagraphs(text));
    return PrintRTB(doc, printer, leftMargin, topMargin, rightMargin, bottomMargin);
}

int printWithDialog(const QTextDocument& document, QPrinter& printer, const PrinterChooser& choose,
                    QWidget* parent, int leftMargin, int topMargin, int rightMargin,
                    int bottomMargin, QString* notice) {
    QString said;
    QString& queueNotice = notice != nullptr ? *notice : said;
    queueNotice.clear();
    if (!choose || !choose(printer, parent) || !queueTakesJobs(printer, &queueNotice)) {
        return 0;
    }
    int pages = 0;
    QString failure;
    const bool done = runPrintJob(
        printer,
        [&] {
            pages = PrintRTB(document, printer, leftMargin, topMargin, rightMargin, bottomMargin);
            return pages > 0;
        },
        &failure);
    if (!done) {
        queueNotice = failure;
        return 0;
    }
    return pages;
}

}  // namespace korvala
