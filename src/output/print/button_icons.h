#pragma once
// Pictures for the caption-less chart and print buttons, drawn at run time.

#include <QIcon>

namespace korvala {

enum class ButtonPicture { Bar, Pie, Line, Print };

QIcon buttonIcon(ButtonPicture picture);

}  // namespace korvala
