#pragma once
// The site archive: every measurement of the department's measuring sites filed in one place,
// an SQLite file beside the data folder or a PostgreSQL database several workplaces share. It
// answers how a street developed over the years (a site's history), where speeding is worst now
// (the hotspots) and what a measure changed (two filed measurements compared).
//
// An Archive is one connection; use it from the thread that opened it. Every change is one
// transaction, so a program stopped at any moment leaves each measurement filed whole or not at
// all. Failures throw ArchiveError with a German message; the archive is unchanged then.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_types.h"
#include "evaluation/comparison.h"
#include "model/measurement.h"

namespace korvala {
class Session;
}

namespace korvala::archive {

class Database;

// Called after each file of a folder import; returning false stops the import after that file.
using ImportProgress = std::function<bool(const ImportItem& item, int done, int total)>;

class Archive {
  public:
    // The SQLite file at `path`, created with its folder on first use.
    static Archive openFile(const std::string& path);
    // A PostgreSQL database given as a libpq connection string ("host=server dbname=korvala")
    // or the name of a service in the service file. Passwords come from the password file.
    static Archive openServer(const std::string& conninfo);

    Archive(Archive&&) noexcept;
    Archive& operator=(Archive&&) noexcept;
    ~Archive();

    // ---- sites ----
    std::int64_t addSite(const SiteData& data);
    SiteRecord site(std::int64_t id) const;
    std::optional<SiteRecord> findSite(std::string_view name) const;
    // Saves changed site data. A changed limit re-evaluates every measurement of the site in the
    // same transaction; returns how many were re-evaluated.
    int updateSite(std::int64_t id, const SiteData& data);
    // Removes a site that holds no measurement.
    void removeSite(std::int64_t id);

    // ---- filing ----
    // Files a measurement with its records, site fields and remark under site `siteId` and
    // returns its number. The same record lines filed before are refused (ErrorKind::Duplicate).
    // `source` is the file it came from, shown in the lists.
    std::int64_t file(std::int64_t siteId, const Site& site, const Table& records,
                      std::string_view source = {});
    // The measurement a session holds, as the window shows it.
    std::int64_t file(std::int64_t siteId, const Session& session);
    // A .log or .spt file, read as the window's "Öffnen" reads it.
    std::int64_t fileFrom(std::int64_t siteId, const std::string& path);
    // Every .log and .spt of `folder` (not its subfolders), in name order, each in its own
    // transaction. A file that cannot be read or is filed already is reported and skipped.
    ImportReport importFolder(std::int64_t siteId, const std::string& folder,
                              const ImportProgress& progress = {});

    // ---- queries ----
    // Every site by name, with its number of measurements and its latest one.
    std::vector<SiteSummary> siteList() const;
    // The measurements of a site in time order, oldest first: the trend.
    std::vector<FiledEntry> history(std::int64_t siteId) const;
    // Every site with a measured v85, ranked by how far its latest v85 lies above its limit.
    std::vector<Hotspot> hotspots() const;
    FiledEntry entry(std::int64_t id) const;

    // ---- one measurement ----
    // The .spt bytes it was filed as.
    std::string sptBytes(std::int64_t id) const;
    // Ready for Session::applyLoad, as if read from a file.
    ReopenedMeasurement reopen(std::int64_t id) const;
    // `before` against `after` as the comparison view shows them; empty when their sites have
    // different limits.
    std::optional<Comparison> compare(std::int64_t before, std::int64_t after) const;
    void remove(std::int64_t id);

  private:
    explicit Archive(std::unique_ptr<Database> db);
    std::int64_t fileSpt(const SiteRecord& target, std::string spt, std::string_view source);
    std::unique_ptr<Database> db_;
};

}  // namespace korvala::archive
