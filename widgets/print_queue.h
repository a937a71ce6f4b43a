#pragma once
// Hands finished pages (a PDF file) to a print queue of the desktop's print system as
// one job, named so the queue and the printed file show whose list it is. Qt's own
// printing drops the queue's answer, so a job the queue refuses would look printed; here
// every refusal comes back with its reason.

#include <QString>

namespace widgets {

struct QueueAnswer {
    int jobId = 0;   // the queue's number for the job; 0 when it was not taken
    QString reason;  // why not, as the staff read it
};

// Prints pdfFile on printer (a queue name, "queue/instance" for an instance) as one job.
QueueAnswer SubmitToPrintQueue(const QString& printer, const QString& pdfFile,
                               const QString& jobName);

}  // namespace widgets
