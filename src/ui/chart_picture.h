#pragma once
// A chart view as a picture, for the print preview and for printing.

#include <QPicture>

class QGraphicsView;

namespace korvala {

// The chart as it is on screen, drawn into a picture the size of the view (white ground, no
// scroll bars). The picture keeps vector drawing, so it prints sharp at any size.
QPicture renderChartPicture(QGraphicsView* view);

}  // namespace korvala
