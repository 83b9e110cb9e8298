#pragma once
// Printing a picture scaled to one page.

#include <QPicture>
#include <QPrinter>

namespace korvala {

// Prints `picture` on one page of `printer` as one print job: portrait unless the picture is
// wider than tall, scaled to the printable area (see fitPictureToPage) with `divisor`, at the
// printable area's top-left corner. Returns false when nothing could be printed.
bool PrintPictureToFitPage(QPrinter& printer, const QPicture& picture, int divisor);

}  // namespace korvala
