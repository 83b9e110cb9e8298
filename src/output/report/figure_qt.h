#pragma once
// The core's figure texts and verdict colours as Qt types, for the report and the window.

#include <QColor>
#include <QString>
#include <string_view>

#include "evaluation/analysis.h"
#include "output/figure_text.h"

namespace korvala {

inline QString qText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The dash of a value that is not there.
inline QString qNoValue() {
    return qText(kNoValue);
}

inline QColor toQColor(Rgb c) {
    return QColor(c.red, c.green, c.blue);
}

inline QColor verdictQColor(Verdict verdict) {
    return toQColor(verdictRgb(verdict));
}

// Black or white text on `background`.
inline QColor inkOn(const QColor& background) {
    return toQColor(inkOn(Rgb{static_cast<std::uint8_t>(background.red()),
                              static_cast<std::uint8_t>(background.green()),
                              static_cast<std::uint8_t>(background.blue())}));
}

}  // namespace korvala
