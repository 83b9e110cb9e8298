#include "output/print/printer_choice.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <algorithm>

namespace korvala {

void usePdfFile(QPrinter& printer, const QString& fileName) {
    QString name = fileName;
    if (!name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        name += QStringLiteral(".pdf");
    }
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(name);
}

PrinterChooser chooserWithCopies(std::function<bool(QPrinter& printer, int& copies)> choose) {
    return [choose = std::move(choose)](QPrinter& printer, QWidget*) {
        int copies = std::max(1, printer.copyCount());
        if (!choose || !choose(printer, copies)) {
            return false;
        }
        printer.setCopyCount(std::max(1, copies));
        return true;
    };
}

bool choosePrinterOrPdf(QPrinter& printer, QWidget* parent) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        // The dialog sets printer, copies and, with "print to file", the PDF output itself.
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        return dialog.exec() == QDialog::Accepted;
    }
    const QString name =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Drucken in PDF-Datei"),
                                     QDir::homePath(), QStringLiteral("PDF-Dateien (*.pdf)"));
    if (name.isEmpty()) {
        return false;
    }
    usePdfFile(printer, name);
    printer.setCopyCount(1);
    return true;
}

}  // namespace korvala
