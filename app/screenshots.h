#pragma once
// `korvala --screenshot DIR`: pictures of the window and its dialogs for the user guide, taken
// from the real widgets so they show the program as it was built (tools/screenshots.sh).

#include <QString>

namespace korvala {

namespace ui {
class Form1;
}

struct ScreenshotOptions {
    QString dir;          // created when missing
    QString compareFile;  // second measurement for the comparison picture; none when empty
    QString archiveFile;  // an SQLite archive for the archive pictures; none when empty
};

// Saves into `options.dir`: tab0.png .. tab4.png (the pages), clock.png ("Gerätedatum und
// Uhrzeit"), preview.png (print preview of the speed chart), compare.png (Analyse page with the
// comparison, only with a compare file), debug.png (debug column), splash.png and about.png;
// with an archive file also archive.png and hotspots.png (the archive window's two pages),
// trend.png (the trend chart of the site measured most often) and archive-history.pdf (that
// site's history as PDF pages).
// Every dialog is closed again by the program itself, so the run never waits for a person.
// Returns 0 when every picture was written, 1 otherwise (stderr says which one failed).
int takeScreenshots(ui::Form1& window, const ScreenshotOptions& options);

}  // namespace korvala
