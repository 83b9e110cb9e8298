#include "ui/druck.h"

#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>

#include "output/print/picture_print.h"
#include "output/print/print_queue.h"
#include "ui/chart_picture.h"

namespace korvala {

namespace {

// The preview shows the picture at most this large, keeping its proportions.
constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 480;

QPixmap previewPixmap(const QPicture& picture) {
    const QRect bounds = picture.boundingRect();
    if (bounds.isEmpty()) {
        return {};
    }
    const double scale = std::min(
        {1.0, double(kPreviewWidth) / bounds.width(), double(kPreviewHeight) / bounds.height()});
    QPixmap pixmap(std::max(1, int(bounds.width() * scale)),
                   std::max(1, int(bounds.height() * scale)));
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.drawPicture(-bounds.topLeft(), picture);
    return pixmap;
}

}  // namespace

Druck::Druck(const QPicture& picture, int faktor, PrinterChooser choose, QWidget* parent)
    : QDialog(parent),
      picture_(picture),
      faktor_(faktor),
      choose_(std::move(choose)),
      jobPrinter_(&PrintPictureToFitPage),
      printer_(QPrinter::HighResolution),
      image_(new QLabel(this)),
      print_(new QPushButton(QStringLiteral("Drucken"), this)),
      cancel_(new QPushButton(QStringLiteral("Abbruch"), this)) {
    setObjectName(QStringLiteral("Druck"));
    setWindowTitle(QStringLiteral("Druckvorschau"));
    setModal(true);
    image_->setObjectName(QStringLiteral("Image1"));
    image_->setAlignment(Qt::AlignCenter);
    image_->setFrameShape(QFrame::StyledPanel);
    image_->setPixmap(previewPixmap(picture_));
    print_->setObjectName(QStringLiteral("Command1"));
    cancel_->setObjectName(QStringLiteral("Command2"));
    print_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(image_, 1);
    layout->addLayout(buttons);

    connect(print_, &QPushButton::clicked, this, &Druck::Command1_Click);
    connect(cancel_, &QPushButton::clicked, this, &Druck::Command2_Click);
}

int Druck::previewChart(QGraphicsView* chart, int faktor, PrinterChooser choose, QWidget* parent) {
    Druck preview(renderChartPicture(chart), faktor, std::move(choose), parent);
    preview.exec();
    return preview.jobsPrinted();
}

void Druck::Command1_Click() {
    // A cancelled choice, like a queue that takes no job, keeps the preview open for another
    // try or "Abbruch".
    if (!choose_ || !choose_(printer_, this)) {
        return;
    }
    QString notice;
    const bool takes = queueTakesJobs(printer_, &notice);
    if (!notice.isEmpty() && tell) {
        tell(notice);
    }
    if (!takes) {
        return;
    }
    // Every copy is a job of its own, so the printer itself must not multiply them.
    const int copies = std::max(1, printer_.copyCount());
    printer_.setCopyCount(1);
    for (int copy = 1; copy <= copies; ++copy) {
        QString failure;
        const auto job = [this] { return jobPrinter_ && jobPrinter_(printer_, picture_, faktor_); };
        if (!runPrintJob(printer_, job, &failure)) {
            if (!failure.isEmpty() && tell) {
                tell(failure);
            }
            return;  // the rest is dropped; the preview stays for another try
        }
        ++jobs_;
    }
    accept();
}

void Druck::Command2_Click() {
    reject();
}

}  // namespace korvala
