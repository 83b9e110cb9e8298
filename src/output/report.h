#pragma once
// The report page text of the day shown (UTF-8, tabs and CR LF).

#include <string>

#include "evaluation/statistics.h"
#include "model/measurement_file.h"

namespace korvala {

struct ReportInput {
    Site site;
    std::string dayCaption = "Tag: 1";
    std::string lbl_ds = "--", lbl_vmin = "--", lbl_vmax = "--", lbl_dV = "--";
    const DayStats* stats = nullptr;  // null: no statistics yet (empty classes, empty hours)
};

std::string buildReport(const ReportInput& in);

}  // namespace korvala
