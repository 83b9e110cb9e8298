#include "ui/heat_map.h"

#include <QPaintEvent>
#include <QPainter>

namespace korvala::ui {

HeatMap::HeatMap(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("heatMap"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void HeatMap::setAnalysis(const Analysis& analysis) {
    picture_.setAnalysis(analysis);
    updateGeometry();
    update();
}

void HeatMap::setMode(Mode mode) {
    if (mode == picture_.mode()) {
        return;
    }
    picture_.setMode(mode);
    update();
    emit modeChanged(mode);
}

QSize HeatMap::sizeHint() const {
    return picture_.sizeHint(font());
}

QSize HeatMap::minimumSizeHint() const {
    return picture_.minimumSizeHint(font());
}

void HeatMap::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    picture_.paint(painter, QRectF(rect()));
}

}  // namespace korvala::ui
