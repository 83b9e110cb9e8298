#pragma once
// Writing pages drawn with the report's kit as an A4 PDF file: the pages are drawn into memory
// and written as a whole the way every file of the program is (model/file_write.h), so a failure
// never leaves half a document nor destroys an earlier file of that name.

#include <QString>

#include <functional>

class QPainter;

namespace korvala::report {

// Draws the document on `painter`; `newPage` turns to the next page. Returns false when the user
// cancelled: then nothing is written.
using DrawPages = std::function<bool(QPainter& painter, const std::function<void()>& newPage)>;

// Writes the pages `draw` makes to `path` (A4 portrait, kResolution dpi, `title` as the PDF's
// title). False when cancelled (`error` empty) or when the file could not be written (`error`
// says why in German).
bool writePdfFile(const QString& path, const QString& title, const DrawPages& draw, QString* error);

}  // namespace korvala::report
