#pragma once
// The hotspot ranking and a site's history as CSV files, written like the program's record
// export: Windows-1252, CR LF, ";" between fields, decimal comma.

#include <string>
#include <vector>

#include "archive/archive_types.h"

namespace korvala::archive {

std::string hotspotsCsv(const std::vector<Hotspot>& ranking);
std::string historyCsv(const SiteRecord& site, const std::vector<FiledEntry>& history);

}  // namespace korvala::archive
