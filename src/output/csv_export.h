#pragma once
// The semicolon-separated export of all records with a speed value above 0.

#include <string>

#include "model/measurement.h"
#include "model/measurement_file.h"

namespace korvala {

inline constexpr char kCsvSeparator = ';';

// The file's bytes: Windows-1252, CR LF.
std::string csvContent(const Site& site, const Table& records);

// The name proposed by the export dialogs: `fileName` with every ".spt" replaced by `ext` when
// ".spt" occurs at the second character or later, otherwise `fileName` followed by `ext`.
std::string proposedExportName(const std::string& fileName, const std::string& ext);

}  // namespace korvala
