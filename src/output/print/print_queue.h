#pragma once
// What the system's print queue (CUPS) says about a job. Qt sends a job to the queue and forgets
// it: a queue that rejects jobs or is stopped would leave the user waiting at the printer for a
// page that never comes. A printer that writes a PDF file has no queue.

#include <QPrinter>
#include <QString>

namespace korvala {

// Before a job on `printer`: false when its queue takes no jobs now (nothing is to be sent), with
// the reason in `notice`. A stopped queue takes the job, which waits there until the queue is
// started again: true, and `notice` says so. `notice` is empty when the job prints at once.
bool queueTakesJobs(const QPrinter& printer, QString* notice);

// After a job was sent to `printer` (the painter has ended): why the queue did not take it, or
// an empty text.
QString jobRefusal(const QPrinter& printer);

}  // namespace korvala
