#pragma once
// Fitting a chart picture onto one printed page.

namespace korvala {

enum class PageOrientation { Portrait = 1, Landscape = 2 };

// Portrait unless the picture is wider than tall.
PageOrientation orientationFor(double pictureWidth, double pictureHeight);

struct PrintedSize {
    double width = 0;
    double height = 0;
};

// Size of the printed picture in page units, given the picture's size (any unit, only its ratio
// counts) and the printable area of the page, already in the chosen orientation.
// A picture that is relatively wider than the page (ties included) fills the printable width and
// ignores `divisor`. A taller one fills the printable height divided by `divisor`, each side
// rounded to whole units with halves going to the even neighbour.
// An empty picture or page gives {0, 0}; a divisor below 1 counts as 1.
PrintedSize fitPictureToPage(double pictureWidth, double pictureHeight, double pageWidth,
                             double pageHeight, int divisor);

}  // namespace korvala
