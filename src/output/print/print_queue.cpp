#include "output/print/print_queue.h"

#include <QFile>
#include <QTemporaryDir>

#include <cups/cups.h>

#include <cstring>
#include <string>

#include "model/file_write.h"

namespace korvala {

namespace {

bool hasQueue(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::NativeFormat && printer.outputFileName().isEmpty();
}

QString shownName(const QPrinter& printer) {
    return printer.printerName().isEmpty() ? QStringLiteral("Standarddrucker")
                                           : printer.printerName();
}

}  // namespace

bool queueTakesJobs(const QPrinter& printer, QString* notice) {
    notice->clear();
    if (!hasQueue(printer)) {
        return true;
    }
    const QByteArray name = printer.printerName().toLocal8Bit();
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (dest == nullptr) {
        // A queue CUPS does not know is Qt's to report; the job cannot be checked here.
        return true;
    }
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const bool takes = accepting == nullptr || std::strcmp(accepting, "false") != 0;
    // IPP printer-state 5: stopped.
    const bool stopped = state != nullptr && std::strcmp(state, "5") == 0;
    cupsFreeDests(1, dest);
    if (!takes) {
        *notice = QString::fromUtf8(
                      "Der Drucker \"%1\" nimmt zurzeit keine Aufträge an. Es "
                      "wurde nichts gedruckt.")
                      .arg(shownName(printer));
    } else if (stopped) {
        *notice = QStringLiteral(
                      "Der Drucker \"%1\" ist angehalten. Der Auftrag wartet in der "
                      "Warteschlange und wird gedruckt, sobald der Drucker wieder "
                      "freigegeben ist.")
                      .arg(shownName(printer));
    }
    return takes;
}

bool runPrintJob(QPrinter& printer, const std::function<bool()>& job, QString* error) {
    error->clear();
    const QString target = printer.outputFileName();
    if (target.isEmpty()) {
        if (!job()) {
            return false;
        }
        // Qt sends the job with the CUPS library at the end of painting and keeps no result;
        // the library's last status on this thread is that job's.
        if (printer.outputFormat() == QPrinter::NativeFormat &&
            cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
            *error = QStringLiteral("Der Drucker \"%1\" hat den Auftrag nicht angenommen: %2")
                         .arg(shownName(printer), QString::fromUtf8(cupsLastErrorString()));
            return false;
        }
        return true;
    }
    QTemporaryDir staging;
    const QString staged = staging.filePath(QStringLiteral("druck.pdf"));
    printer.setOutputFileName(staged);
    const bool printed = staging.isValid() && job();
    printer.setOutputFileName(target);
    QFile pdf(staged);
    if (!printed || !pdf.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = pdf.readAll();
    std::string why;
    if (!writeFileBytes(QFile::encodeName(target).toStdString(),
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        &why)) {
        *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

}  // namespace korvala
