#pragma once
// Picking the printer for a print job. Every choice can also be a PDF file, so a user without
// a printer gets the same pages.

#include <QPrinter>
#include <QString>
#include <functional>

class QWidget;

namespace korvala {

// Shows the printer choice for `printer` (printer, copies, or a PDF file) and sets it up.
// Returns false when the user cancelled; the printer is then left as it was.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;

// The interactive chooser: the system's printer dialog when printers are installed, otherwise
// a save dialog for a PDF file.
bool choosePrinterOrPdf(QPrinter& printer, QWidget* parent);

// For a chooser that hands the number of copies back on its own (the window's dialogs): the
// copies end up in the printer's copy count, where printing reads them.
PrinterChooser chooserWithCopies(std::function<bool(QPrinter& printer, int& copies)> choose);

// Sets `printer` up to write a PDF file (no dialog). A missing ".pdf" is appended.
void usePdfFile(QPrinter& printer, const QString& fileName);

}  // namespace korvala
