#pragma once
// A chart as a picture, and printing a picture scaled to one page.

#include <QPicture>
#include <QPrinter>

class QGraphicsView;

namespace korvala {

// The chart as it is on screen, drawn into a picture the size of the view (white ground, no
// scroll bars). The picture keeps vector drawing, so it prints sharp at any size.
QPicture renderChartPicture(QGraphicsView* view);

// Prints `picture` on one page of `printer` as one print job: portrait unless the picture is
// wider than tall, scaled to the printable area (see fitPictureToPage) with `divisor`, at the
// printable area's top-left corner. Returns false when nothing could be printed.
bool PrintPictureToFitPage(QPrinter& printer, const QPicture& picture, int divisor);

}  // namespace korvala
