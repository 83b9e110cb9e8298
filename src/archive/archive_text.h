#pragma once
// The archive's own figure texts (dates with the century, periods, the excess over a limit),
// built on the program's figure texts: the command line's tables, the CSV files and the window's
// archive page show them alike.

#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive_types.h"
#include "output/figure_text.h"

namespace korvala::archive {

// "01.12.2026" of a day count since 30.12.1899.
std::string dateText(std::int64_t day);
// "01.12.2026 – 07.12.2026", one day alone, or "–" when unknown.
std::string periodText(const std::optional<Period>& period);
// A share 0..1 as percent with one decimal, without the sign: "23,4".
std::string percentNumber(double share);
// Vehicles per day with one decimal, as the Analyse page and the report give it: "2143,5".
std::string dailyText(const std::optional<double>& vehicles);
// v85 above the limit with its sign: "+7", "−3", "0".
std::string excessText(double kmh);
// "Nr. 12 der Messstelle "Hauptstraße" (01.12.2026 – 07.12.2026)".
std::string entryText(const FiledEntry& entry);
// What a folder import did: "3 von 4 Dateien abgelegt, 0 schon im Archiv, 1 nicht lesbar."
std::string importSummaryText(const ImportReport& report);

}  // namespace korvala::archive
