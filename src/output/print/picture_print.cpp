#include "output/print/picture_print.h"

#include <QPainter>

#include "output/print/print_rtb.h"
#include "output/print_scaling.h"

namespace korvala {

bool PrintPictureToFitPage(QPrinter& printer, const QPicture& picture, int divisor) {
    const QRect bounds = picture.boundingRect();
    if (bounds.isEmpty()) {
        return false;
    }
    // The orientation comes first: the printable area below is measured in it.
    const bool landscape =
        orientationFor(bounds.width(), bounds.height()) == PageOrientation::Landscape;
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    const PrintGeometry g = printGeometry(printer, 0, 0, 0, 0);
    const PrintedSize size = fitPictureToPage(bounds.width(), bounds.height(), g.width, g.height,
                                              divisor);  // in twips
    if (size.width <= 0 || size.height <= 0) {
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const double scale = printer.resolution() / 1440.0;  // twips to device units
    // Playing a picture on a device scales it by the device's resolution over the picture's,
    // on top of the painter's transformation; take that back out.
    const double replayX = double(picture.logicalDpiX()) / printer.logicalDpiX();
    const double replayY = double(picture.logicalDpiY()) / printer.logicalDpiY();
    painter.scale(scale * replayX * size.width / bounds.width(),
                  scale * replayY * size.height / bounds.height());
    painter.drawPicture(-bounds.topLeft(), picture);
    return painter.end();
}

}  // namespace korvala
