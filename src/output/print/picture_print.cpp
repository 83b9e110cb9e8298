#include "output/print/picture_print.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsView>
#include <QPainter>

#include "output/print/print_rtb.h"
#include "output/print_scaling.h"

namespace korvala {

QPicture renderChartPicture(QGraphicsView* view) {
    QPicture picture;
    if (view == nullptr) {
        return picture;
    }
    auto* chartView = qobject_cast<QChartView*>(view);
    QRect source = view->viewport()->rect();
    if (chartView != nullptr) {
        // A view that was never laid out has a placeholder size; never print below the size
        // the chart is made for.
        source.setSize(source.size().expandedTo(view->minimumSize()));
    }
    if (source.isEmpty()) {
        return picture;
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(source, Qt::white);
    if (chartView != nullptr) {
        // A chart follows its view's size only through resize events and a posted layout
        // request, and the view maps it to the screen only once shown; draw the chart itself,
        // laid out at the view's size, so a view that was never on screen prints as well.
        QChart* chart = chartView->chart();
        if (chart->size() != QSizeF(source.size())) {
            chart->resize(source.size());
        }
        if (chart->layout() != nullptr) {
            chart->layout()->activate();
        }
        view->scene()->render(&painter, QRectF(source), chart->geometry());
    } else {
        view->render(&painter, QRectF(source), source);
    }
    painter.end();
    // The size is the view's, not just what happened to be drawn.
    picture.setBoundingRect(source);
    return picture;
}

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
