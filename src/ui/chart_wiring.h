#pragma once
// Puts the charts into the main window and connects the chart, chart-print and report-print
// buttons.

#include "output/print/printer_choice.h"

namespace korvala {

class SpeedChart;
class HourChart;

namespace ui {
class Form1;
}

struct ChartViews {
    SpeedChart* speed = nullptr;
    HourChart* hour = nullptr;
};

// Creates the two charts in the window's chart hosts, redraws them after every evaluation and
// connects cmd_bar, cmd_pie, cmd_bar1, cmd_line1, cmd_printCh1, cmd_printCh2 and
// cmd_printProtokoll. Printer choices go to `choose`, or to the window's printer dialog when
// empty. The charts belong to the window.
ChartViews wireChartsAndPrinting(ui::Form1& form, PrinterChooser choose = {});

}  // namespace korvala
