#include "output/print_scaling.h"

#include <cfenv>
#include <cmath>

namespace korvala {

PageOrientation orientationFor(double pictureWidth, double pictureHeight) {
    return pictureHeight >= pictureWidth ? PageOrientation::Portrait : PageOrientation::Landscape;
}

namespace {

double roundHalfEven(double value) {
    // nearbyint follows the current rounding mode; make sure it is the default one.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return rounded;
}

}  // namespace

PrintedSize fitPictureToPage(double pictureWidth, double pictureHeight, double pageWidth,
                             double pageHeight, int divisor) {
    if (!(pictureWidth > 0) || !(pictureHeight > 0) || !(pageWidth > 0) || !(pageHeight > 0)) {
        return {};
    }
    if (divisor < 1) {
        divisor = 1;
    }
    const double pictureRatio = pictureWidth / pictureHeight;
    const double pageRatio = pageWidth / pageHeight;
    if (pictureRatio >= pageRatio) {
        return {pageWidth, pageWidth / pictureRatio};
    }
    return {roundHalfEven(pageHeight * pictureRatio / divisor),
            roundHalfEven(pageHeight / divisor)};
}

}  // namespace korvala
