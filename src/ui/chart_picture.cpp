#include "ui/chart_picture.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsView>
#include <QPainter>

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

}  // namespace korvala
