#include "ui/chart_wiring.h"

#include <QLayout>
#include <QPrinter>
#include <QTextEdit>
#include <QToolButton>

#include "output/print/picture_print.h"
#include "output/print/print_rtb.h"
#include "ui/button_icons.h"
#include "ui/chart_picture.h"
#include "ui/dialogs.h"
#include "ui/druck.h"
#include "ui/form1.h"
#include "ui/hour_chart.h"
#include "ui/speed_chart.h"

namespace korvala {

namespace {

void picture(QToolButton* button, ui::ButtonPicture kind) {
    button->setIcon(ui::buttonIcon(kind));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);  // the tooltip keeps the name
}

void addTo(QWidget* host, QWidget* child) {
    if (host->layout() == nullptr) {
        new QVBoxLayout(host);
    }
    host->layout()->addWidget(child);
}

}  // namespace

ChartViews wireChartsAndPrinting(ui::Form1& form, PrinterChooser choose) {
    if (!choose) {
        ui::Form1* window = &form;
        choose = chooserWithCopies([window](QPrinter& printer, int& copies) {
            return window->dialogs().choosePrinter(printer, copies);
        });
    }
    ChartViews views;
    views.speed = new SpeedChart(form.speedChartHost);
    views.hour = new HourChart(form.hourChartHost);
    addTo(form.speedChartHost, views.speed);
    addTo(form.hourChartHost, views.hour);
    // The charts react to no key: Tab goes from the tab straight to the day buttons.
    views.speed->setFocusPolicy(Qt::NoFocus);
    views.hour->chartView()->setFocusPolicy(Qt::NoFocus);

    // Hourly chart first, as an evaluation always redraws them.
    form.chartsRefresh = [&form, views] {
        views.hour->setStats(form.session().stats());
        views.speed->speedChart(form.session().stats());
    };
    form.chartsRefresh();

    picture(form.cmd_bar, ui::ButtonPicture::Bar);
    picture(form.cmd_pie, ui::ButtonPicture::Pie);
    picture(form.cmd_bar1, ui::ButtonPicture::Bar);
    picture(form.cmd_line1, ui::ButtonPicture::Line);
    picture(form.cmd_printCh1, ui::ButtonPicture::Print);
    picture(form.cmd_printCh2, ui::ButtonPicture::Print);
    picture(form.cmd_printProtokoll, ui::ButtonPicture::Print);

    QObject::connect(form.cmd_bar, &QToolButton::clicked, views.speed,
                     [views] { views.speed->setChartType(chart_type::Bar); });
    QObject::connect(form.cmd_pie, &QToolButton::clicked, views.speed,
                     [views] { views.speed->setChartType(chart_type::Pie); });
    QObject::connect(form.cmd_bar1, &QToolButton::clicked, views.hour,
                     [views] { views.hour->setChartType(chart_type::Bar); });
    QObject::connect(form.cmd_line1, &QToolButton::clicked, views.hour,
                     [views] { views.hour->setChartType(chart_type::Line); });

    // What the print queue did with a job is a message of the window's; printing goes on.
    const auto tell = [&form](const QString& notice) {
        form.dialogs().inform(ui::Form1::messageTitle(), notice, ui::Icon::Warning);
    };
    const auto previewChart = [&form, choose, tell](const QPicture& chart) {
        Druck preview(chart, form.faktor, choose, &form);
        preview.tell = tell;
        form.dialogs().runModal(preview);
    };
    // The speed chart prints at half size when it is taller in proportion than the page.
    QObject::connect(form.cmd_printCh1, &QToolButton::clicked, &form, [&form, views, previewChart] {
        form.faktor = 2;
        previewChart(renderChartPicture(views.speed));
    });
    QObject::connect(form.cmd_printCh2, &QToolButton::clicked, &form, [&form, views, previewChart] {
        form.faktor = 1;
        previewChart(renderChartPicture(views.hour->chartView()));
    });
    QObject::connect(form.cmd_printProtokoll, &QToolButton::clicked, &form, [&form, choose, tell] {
        QPrinter printer(QPrinter::HighResolution);
        QString notice;
        printWithDialog(*form.rtf->document(), printer, choose, &form, kReportLeftMargin,
                        kReportTopMargin, kReportRightMargin, kReportBottomMargin, &notice);
        if (!notice.isEmpty()) {
            tell(notice);
        }
    });
    return views;
}

}  // namespace korvala
