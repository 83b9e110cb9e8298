#pragma once
// Print preview of a chart picture: "Drucken" prints it scaled to a page, "Abbruch" closes.

#include <QDialog>
#include <QLabel>
#include <QPicture>
#include <QPrinter>
#include <QPushButton>
#include <functional>

#include "output/print/printer_choice.h"

class QGraphicsView;

namespace korvala {

class Druck : public QDialog {
    Q_OBJECT
  public:
    // Prints one copy as one job; false stops the remaining copies.
    using JobPrinter = std::function<bool(QPrinter&, const QPicture&, int divisor)>;

    Druck(const QPicture& picture, int faktor, PrinterChooser choose, QWidget* parent = nullptr);

    // The chart-print command: the chart as a picture in a modal preview. Returns the number of
    // print jobs sent (0 when the preview was closed without printing).
    static int previewChart(QGraphicsView* chart, int faktor, PrinterChooser choose,
                            QWidget* parent);

    QLabel* Image1() const { return image_; }
    QPushButton* Command1() const { return print_; }   // "Drucken"
    QPushButton* Command2() const { return cancel_; }  // "Abbruch"
    const QPicture& picture() const { return picture_; }
    int faktor() const { return faktor_; }
    QPrinter& printer() { return printer_; }
    int jobsPrinted() const { return jobs_; }

    // Replaces the job printer (PrintPictureToFitPage by default).
    void setJobPrinter(JobPrinter jobPrinter) { jobPrinter_ = std::move(jobPrinter); }
    // Tells the user what the print queue did with a job (none taken, or waiting in a stopped
    // queue); the window shows it in a message box.
    std::function<void(const QString&)> tell;

    void Command1_Click();
    void Command2_Click();

  private:
    QPicture picture_;
    int faktor_;
    PrinterChooser choose_;
    JobPrinter jobPrinter_;
    QPrinter printer_;
    int jobs_ = 0;
    QLabel* image_;
    QPushButton* print_;
    QPushButton* cancel_;
};

}  // namespace korvala
