#pragma once
// The columns every statement reads a site or a filed measurement with, and their readers, so
// that a list, a history and a single entry are read the same way.

#include <QSqlQuery>

#include "archive/archive_types.h"

namespace korvala::archive {

// Sites as "s", measurements as "m" joined with their site "s".
inline constexpr const char* kSiteColumns =
    "s.id, s.name, s.street, s.direction, s.speed_limit, s.latitude, s.longitude, s.note";
inline constexpr int kSiteColumnCount = 8;
inline constexpr const char* kEntryColumns =
    "m.id, m.site_id, s.name, m.location, m.start_date, m.remark, m.source, m.filed_at, "
    "m.content_hash, m.spt_size, m.stored_size, m.first_day, m.last_day, m.days, m.vehicles, "
    "m.average_daily, m.v50, m.v85, m.share_over, m.verdict, m.speed_limit";
inline constexpr int kEntryColumnCount = 21;

// The columns from `first` on.
SiteRecord siteFrom(const QSqlQuery& query, int first = 0);
FiledEntry entryFrom(const QSqlQuery& query, int first = 0);

// The moment of filing as stored (UTC, ISO 8601) and as shown (local, "dd.mm.yyyy hh:mm").
QString filingTimeNow();

}  // namespace korvala::archive
