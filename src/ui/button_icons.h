#pragma once
// Pictures for the caption-less chart and print buttons and the program's own icon, drawn at run
// time as vector drawings: every size and device pixel ratio gets its own rendering, so the
// pictures stay sharp on a HiDPI screen instead of being a small pixmap scaled up.

#include <QIcon>

#include <functional>

class QPainter;

namespace korvala::ui {

enum class ButtonPicture { Bar, Pie, Line, Print };

QIcon buttonIcon(ButtonPicture picture);

// The program's icon (the picture of packaging/korvala.svg), for the window frames and the task
// bar; drawn in code, so no SVG plugin is needed.
QIcon applicationIcon();

// An icon whose pictures are painted by `draw` on a square grid of `grid` units, scaled to the
// size and device pixel ratio asked for. `draw` is also told the size in device pixels, so a
// detail too small to read can be left out.
using IconDrawing = std::function<void(QPainter& painter, int devicePixels)>;
QIcon paintedIcon(int grid, IconDrawing draw);

}  // namespace korvala::ui
