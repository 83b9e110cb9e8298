#pragma once
// The window's geometry is laid out in twips (1/1440 inch). Converting at the screen's logical
// resolution keeps the proportions of the layout on any display scale.

#include <QWidget>
#include <QtMath>

namespace korvala::ui {

inline int twipsToPxX(int twips, const QWidget* w) {
    return qRound(twips * w->logicalDpiX() / 1440.0);
}
inline int twipsToPxY(int twips, const QWidget* w) {
    return qRound(twips * w->logicalDpiY() / 1440.0);
}

}  // namespace korvala::ui
