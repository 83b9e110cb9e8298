#pragma once
// Where a print job goes, and what became of it. Qt sends a job to the system's print queue (CUPS)
// and forgets it: a queue that rejects jobs or is stopped would leave the user waiting at the
// printer for a page that never comes. A job printed to a PDF file is written by Qt straight into
// the chosen file: a full disk would leave it half-written and the earlier content gone.

#include <QPrinter>
#include <QString>

#include <functional>

namespace korvala {

// Before a job on `printer`: false when its queue takes no jobs now (nothing is to be sent), with
// the reason in `notice`. A stopped queue takes the job, which waits there until the queue is
// started again: true, and `notice` says so. `notice` is empty when the job prints at once, and
// for a PDF file, which has no queue.
bool queueTakesJobs(const QPrinter& printer, QString* notice);

// Runs `job`, which prints one job on `printer`. A PDF file is drawn into a temporary file and
// then written over the chosen one as every file of the program is (never half-written, the
// user's file keeps its owner and links). Returns false when the job failed, the queue did not
// take it, or the file could not be written; `error` then says why in German (empty when the job
// itself failed).
bool runPrintJob(QPrinter& printer, const std::function<bool()>& job, QString* error);

}  // namespace korvala
