#pragma once
// Printing a rich text page by page into a rectangle given by four margins, with "Seite N" at
// the foot of every page.

#include <QFont>
#include <QPrinter>
#include <QString>
#include <QTextDocument>

#include "output/print/printer_choice.h"

class QWidget;

namespace korvala {

// Margins of the report print, in twips from the paper's edges.
inline constexpr int kReportLeftMargin = 1500;
inline constexpr int kReportTopMargin = 500;
inline constexpr int kReportRightMargin = 500;
inline constexpr int kReportBottomMargin = 500;

// Edges in twips; right and bottom are exclusive.
struct TwipsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Geometry of one print, in twips relative to the printable area's top-left corner.
struct PrintGeometry {
    int leftOffset = 0, topOffset = 0;  // unprintable strips at the paper's left and top edge
    int width = 0, height = 0;          // printable area
    TwipsRect textRect;                 // where the text goes
};

// The printable area and the text rectangle of `printer` for the given margins. The right and
// bottom edges assume the unprintable strips are as wide on the right and bottom as on the left
// and top, which is how printers report them.
PrintGeometry printGeometry(const QPrinter& printer, int left, int top, int right, int bottom);

// Prints `document` on an already chosen printer, one print job, each page once (the printer
// makes the copies), in the document's fonts and tab stops; lines wrap at the text rectangle.
// Returns the number of pages, 0 when the printer could not start.
int PrintRTB(const QTextDocument& document, QPrinter& printer, int leftMargin, int topMargin,
             int rightMargin, int bottomMargin);

// The same for plain text (tabs, CR LF line ends) in `font`, with a tab stop every half inch.
int PrintRTB(const QString& text, const QFont& font, QPrinter& printer, int leftMargin,
             int topMargin, int rightMargin, int bottomMargin);

// The print command: asks `choose` for the printer and copies, then prints. Cancel prints
// nothing. Returns the number of pages printed. `notice` (when given) receives what the user must
// be told: that the queue took no job or the PDF file could not be written (0 is returned), or
// that the job waits in a stopped queue; it is empty otherwise.
int printWithDialog(const QTextDocument& document, QPrinter& printer, const PrinterChooser& choose,
                    QWidget* parent, int leftMargin = kReportLeftMargin,
                    int topMargin = kReportTopMargin, int rightMargin = kReportRightMargin,
                    int bottomMargin = kReportBottomMargin, QString* notice = nullptr);

// The page-number font: Arial, or the system's substitute for it, at 12 point.
QFont pageNumberFont();

}  // namespace korvala
