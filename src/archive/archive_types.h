#pragma once
// What the site archive hands out: sites ("Messstellen"), filed measurements with the figures
// the lists show, and the errors it reports. Plain standard C++, so the command line and the
// window use them without seeing the database underneath.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "evaluation/analysis.h"
#include "model/measurement_file.h"

namespace korvala::archive {

// What went wrong, for the caller's reaction (exit code, which message box); the German text
// for the user is the exception's what().
enum class ErrorKind {
    Invalid,      // a value given by the caller is not allowed (limit, empty name, password)
    NotFound,     // no such site or measurement
    Duplicate,    // the measurement is filed already, or a site of that name exists
    NotArchive,   // the file or database is no archive of ours, is damaged or is newer
    Unreadable,   // a measurement file could not be read or holds no vehicles
    Connection,   // the archive could not be opened or the server not reached
    WriteFailed,  // writing failed (disk full, server gone); nothing was changed
    Busy,         // another program holds the archive longer than we wait; nothing was changed
};

class ArchiveError : public std::runtime_error {
  public:
    ArchiveError(ErrorKind kind, const std::string& message, std::int64_t id = 0)
        : std::runtime_error(message), kind_(kind), id_(id) {}
    ErrorKind kind() const { return kind_; }
    // The measurement a Duplicate repeats, otherwise 0.
    std::int64_t id() const { return id_; }

  private:
    ErrorKind kind_;
    std::int64_t id_;
};

// A measuring site as the department names it.
struct SiteData {
    std::string name;  // unique in the archive, not empty
    std::string street;
    std::string direction;
    int speedLimit = kDefaultSpeedLimit;  // km/h; every figure of the site is measured against it
    std::optional<double> latitude, longitude;  // WGS 84 degrees, both or neither
    std::string note;
    friend bool operator==(const SiteData&, const SiteData&) = default;
};

struct SiteRecord {
    std::int64_t id = 0;
    SiteData data;
};

// The calendar days a measurement covers, as day counts since 30.12.1899 (Timestamp::day()).
struct Period {
    std::int64_t firstDay = 0, lastDay = 0;
};

// The figures of one measurement that the lists show, computed with analyze() against the
// site's limit when it was filed and again whenever that limit changes.
struct FiledFigures {
    std::optional<Period> period;  // empty when the start date cannot be read
    int days = 0;                  // day 1 up to the last day with records
    std::int64_t vehicles = 0;
    std::optional<double> averageDaily;  // vehicles per complete day
    std::optional<double> v50, v85;
    double shareOver = 0;  // share faster than the limit, 0..1
    Verdict verdict = Verdict::None;
    int limit = kDefaultSpeedLimit;  // the limit the figures were computed with
};

struct FiledEntry {
    std::int64_t id = 0;
    std::int64_t siteId = 0;
    std::string siteName;
    Site site;                    // location, start date and remark as filed
    std::string source;           // name of the file it was filed from, empty for a window's data
    std::string filedAt;          // local time, "dd.mm.yyyy hh:mm"
    std::string contentHash;      // SHA-256 of the record lines, hex
    std::int64_t sptSize = 0;     // bytes of the .spt it reopens as
    std::int64_t storedSize = 0;  // bytes the archive keeps for it (compressed)
    FiledFigures figures;
};

// One line of the site list: the site, how often it was measured and its latest measurement.
struct SiteSummary {
    SiteRecord site;
    int measurements = 0;
    std::optional<FiledEntry> latest;  // the one with the latest period
};

// A site in the ranking of where speeding is worst now: its latest measurement's v85 above the
// site's limit.
struct Hotspot {
    int rank = 0;  // 1 = worst
    SiteRecord site;
    FiledEntry latest;
    double excess = 0;  // v85 − limit, km/h; negative below the limit
};

// A filed measurement ready for Session::applyLoad, as if read from a .spt file of that name.
struct ReopenedMeasurement {
    LoadResult load;
    std::string name;  // a bare file name without folder, so that "Speichern" asks where to
};

// ---- importing a folder ----

enum class ImportOutcome { Filed, AlreadyFiled, Unreadable, Failed };

struct ImportItem {
    std::string file;  // full path
    ImportOutcome outcome = ImportOutcome::Failed;
    std::int64_t id = 0;  // the filed measurement (Filed) or the one it repeats (AlreadyFiled)
    std::string message;  // why it was skipped, German
};

struct ImportReport {
    std::vector<ImportItem> items;  // in the order the files were taken
    int total = 0;                  // measurement files found in the folder
    bool cancelled = false;
    int count(ImportOutcome outcome) const;
};

}  // namespace korvala::archive
