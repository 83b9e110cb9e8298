// Opening the archive, its sites and filing measurements. The lists are in archive_queries.cpp,
// the folder import in folder_import.cpp.

#include "archive/archive.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <fstream>
#include <iterator>

#include "archive/archive_text.h"
#include "archive/database.h"
#include "archive/filing.h"
#include "archive/rows.h"
#include "archive/schema.h"
#include "evaluation/statistics.h"
#include "model/text_util.h"
#include "session/session.h"

namespace korvala::archive {

namespace {

std::string inQuotes(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

SiteData checkedSite(SiteData data) {
    data.name = std::string(trimBlanks(data.name));
    if (data.name.empty())
        throw ArchiveError(ErrorKind::Invalid, "Die Messstelle braucht einen Namen.");
    if (!speedLimitValid(data.speedLimit))
        throw ArchiveError(ErrorKind::Invalid,
                           speedLimitErrorText(std::to_string(data.speedLimit)));
    if (data.latitude.has_value() != data.longitude.has_value())
        throw ArchiveError(ErrorKind::Invalid,
                           "Koordinaten brauchen geografische Breite und Länge.");
    if (data.latitude &&
        (!(std::fabs(*data.latitude) <= 90) || !(std::fabs(*data.longitude) <= 180)))
        throw ArchiveError(ErrorKind::Invalid,
                           "Koordinaten außerhalb des Bereichs: Breite −90 bis 90, Länge −180 "
                           "bis 180 Grad.");
    return data;
}

QList<QVariant> siteValues(const SiteData& d) {
    return {qs(d.name),
            qs(d.street),
            qs(d.direction),
            d.speedLimit,
            optionalDouble(d.latitude),
            optionalDouble(d.longitude),
            qs(d.note)};
}

QList<QVariant> figureValues(const FiledFigures& f) {
    const QVariant noDay(QMetaType::fromType<qlonglong>());
    return {f.period ? QVariant(qlonglong{f.period->firstDay}) : noDay,
            f.period ? QVariant(qlonglong{f.period->lastDay}) : noDay,
            f.days,
            qlonglong{f.vehicles},
            optionalDouble(f.averageDaily),
            optionalDouble(f.v50),
            optionalDouble(f.v85),
            f.shareOver,
            static_cast<int>(f.verdict),
            f.limit};
}

ArchiveError noSite(std::int64_t id) {
    return {ErrorKind::NotFound,
            "Im Archiv gibt es keine Messstelle Nr. " + std::to_string(id) + "."};
}

ArchiveError noMeasurement(std::int64_t id) {
    return {ErrorKind::NotFound, "Im Archiv gibt es keine Messung Nr. " + std::to_string(id) + "."};
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Archive::Archive(std::unique_ptr<Database> db) : db_(std::move(db)) {}
Archive::Archive(Archive&&) noexcept = default;
Archive& Archive::operator=(Archive&&) noexcept = default;
Archive::~Archive() = default;

Archive Archive::openFile(const std::string& path) {
    const QFileInfo info(QFile::decodeName(path.c_str()));
    if (info.exists() && !info.isFile())
        throw ArchiveError(ErrorKind::Connection,
                           inQuotes(path) + " ist keine Datei und kann kein Archiv sein.");
    if (!QDir().mkpath(info.absolutePath()))
        throw ArchiveError(ErrorKind::Connection, "Der Ordner für das Archiv " + inQuotes(path) +
                                                      " kann nicht angelegt werden.");
    auto db = std::make_unique<Database>(Backend::Sqlite, path);
    prepareSchema(*db);
    return Archive(std::move(db));
}

Archive Archive::openServer(const std::string& conninfo) {
    auto db = std::make_unique<Database>(Backend::Postgres, conninfo);
    prepareSchema(*db);
    return Archive(std::move(db));
}

// ---- sites ----

std::int64_t Archive::addSite(const SiteData& given) {
    const SiteData data = checkedSite(given);
    const auto exists = [&] {
        return ArchiveError(ErrorKind::Duplicate,
                            "Die Messstelle " + inQuotes(data.name) + " gibt es bereits.");
    };
    try {
        Transaction transaction(*db_);
        if (findSite(data.name))
            throw exists();
        const std::int64_t id = db_->insert(
            QStringLiteral("INSERT INTO sites (name, street, direction, speed_limit, latitude, "
                           "longitude, note) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"),
            siteValues(data));
        transaction.commit();
        return id;
    } catch (const ArchiveError& e) {
        // Another program may have added the same name in the meantime.
        if (e.kind() != ErrorKind::Duplicate && findSite(data.name))
            throw exists();
        throw;
    }
}

SiteRecord Archive::site(std::int64_t id) const {
    QSqlQuery q = db_->run(
        QStringLiteral("SELECT %1 FROM sites s WHERE s.id = ?").arg(QLatin1String(kSiteColumns)),
        {qlonglong{id}});
    if (!q.next())
        throw noSite(id);
    return siteFrom(q);
}

std::optional<SiteRecord> Archive::findSite(std::string_view name) const {
    QSqlQuery q = db_->run(
        QStringLiteral("SELECT %1 FROM sites s WHERE s.name = ?").arg(QLatin1String(kSiteColumns)),
        {qs(trimBlanks(name))});
    if (!q.next())
        return std::nullopt;
    return siteFrom(q);
}

int Archive::updateSite(std::int64_t id, const SiteData& given) {
    const SiteData data = checkedSite(given);
    Transaction transaction(*db_);
    const SiteRecord old = site(id);
    if (data.name != old.data.name) {
        if (findSite(data.name))
            throw ArchiveError(ErrorKind::Duplicate,
                               "Die Messstelle " + inQuotes(data.name) + " gibt es bereits.");
    }
    QList<QVariant> values = siteValues(data);
    values << qlonglong{id};
    db_->run(QStringLiteral("UPDATE sites SET name = ?, street = ?, direction = ?, "
                            "speed_limit = ?, latitude = ?, longitude = ?, note = ? WHERE id = ?"),
             values);
    int recomputed = 0;
    if (data.speedLimit != old.data.speedLimit) {
        std::vector<std::pair<std::int64_t, std::string>> stored;
        {
            QSqlQuery q = db_->run(
                QStringLiteral("SELECT id, spt_size, spt_z FROM measurements WHERE site_id = ?"),
                {qlonglong{id}});
            while (q.next()) {
                const std::int64_t m = q.value(0).toLongLong();
                stored.emplace_back(
                    m, unpackSpt(q.value(2).toByteArray(), q.value(1).toLongLong(), m));
            }
        }
        for (const auto& [m, spt] : stored) {
            QList<QVariant> figures = figureValues(figuresOfSpt(spt, data.speedLimit));
            figures << qlonglong{m};
            db_->run(QStringLiteral("UPDATE measurements SET first_day = ?, last_day = ?, "
                                    "days = ?, vehicles = ?, average_daily = ?, v50 = ?, "
                                    "v85 = ?, share_over = ?, verdict = ?, speed_limit = ? "
                                    "WHERE id = ?"),
                     figures);
            ++recomputed;
        }
    }
    transaction.commit();
    return recomputed;
}

void Archive::removeSite(std::int64_t id) {
    Transaction transaction(*db_);
    const SiteRecord s = site(id);
    QSqlQuery q = db_->run(QStringLiteral("SELECT COUNT(*) FROM measurements WHERE site_id = ?"),
                           {qlonglong{id}});
    q.next();
    const qlonglong count = q.value(0).toLongLong();
    q.finish();
    if (count > 0)
        throw ArchiveError(ErrorKind::Invalid, "Die Messstelle " + inQuotes(s.data.name) +
                                                   " enthält noch " + std::to_string(count) +
                                                   (count == 1 ? " Messung" : " Messungen") +
                                                   " und wird nicht entfernt.");
    db_->run(QStringLiteral("DELETE FROM sites WHERE id = ?"), {qlonglong{id}});
    transaction.commit();
}

// ---- filing ----

std::int64_t Archive::file(std::int64_t siteId, const Site& siteFields, const Table& records,
                           std::string_view source) {
    const SiteRecord target = site(siteId);
    return fileSpt(target, sptForFiling(siteFields, records, target), source);
}

std::int64_t Archive::fileSpt(const SiteRecord& target, std::string spt, std::string_view source) {
    PreparedMeasurement p = prepareMeasurement(std::move(spt), target.data.speedLimit);
    // The same record lines filed before, under any site.
    const auto filedBefore = [&]() -> std::optional<FiledEntry> {
        QSqlQuery q = db_->run(QStringLiteral("SELECT %1 FROM measurements m JOIN sites s ON "
                                              "s.id = m.site_id WHERE m.content_hash = ?")
                                   .arg(QLatin1String(kEntryColumns)),
                               {qs(p.contentHash)});
        if (!q.next())
            return std::nullopt;
        return entryFrom(q);
    };
    const auto duplicate = [](const FiledEntry& e) {
        return ArchiveError(ErrorKind::Duplicate,
                            "Diese Messung ist bereits im Archiv: " + entryText(e) + ".", e.id);
    };
    try {
        Transaction transaction(*db_);
        // The limit may have changed since the figures were computed.
        const SiteRecord now = site(target.id);
        if (now.data.speedLimit != target.data.speedLimit)
            p.figures = figuresOfSpt(p.spt, now.data.speedLimit);
        if (const auto earlier = filedBefore())
            throw duplicate(*earlier);
        QList<QVariant> values = {qlonglong{target.id}, qs(p.contentHash), qs(p.site.location),
                                  qs(p.site.startDate), qs(p.site.remark), qs(source),
                                  filingTimeNow()};
        values << figureValues(p.figures);
        values << qlonglong{std::ssize(p.spt)} << qlonglong{p.stored.size()} << p.stored;
        const std::int64_t id = db_->insert(
            QStringLiteral("INSERT INTO measurements (site_id, content_hash, location, "
                           "start_date, remark, source, filed_at, first_day, last_day, days, "
                           "vehicles, average_daily, v50, v85, share_over, verdict, speed_limit, "
                           "spt_size, stored_size, spt_z) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
            values);
        transaction.commit();
        return id;
    } catch (const ArchiveError& e) {
        // A second program may have filed the same measurement between the check and the
        // insert; the unique hash turned it away, and that deserves the same message.
        if (e.kind() == ErrorKind::WriteFailed) {
            std::optional<FiledEntry> earlier;
            try {
                earlier = filedBefore();
            } catch (const ArchiveError&) {
            }
            if (earlier)
                throw duplicate(*earlier);
        }
        throw;
    }
}

std::int64_t Archive::file(std::int64_t siteId, const Session& session) {
    return file(siteId, session.site(), session.records(), fileNameOf(session.fileName()));
}

std::int64_t Archive::fileFrom(std::int64_t siteId, const std::string& path) {
    const SiteRecord target = site(siteId);
    LoadResult load = readMeasurementFile(path);
    if (load.outcome != LoadOutcome::Loaded) {
        const std::string why = loadFailureText(load, path);
        throw ArchiveError(ErrorKind::Unreadable, load.outcome == LoadOutcome::WrongFormat
                                                      ? inQuotes(path) + ": " + why
                                                      : why);
    }
    // A .spt is kept as it is, byte for byte; a device log as the .spt saved from it.
    if (fileKindOf(path) == FileKind::Spt) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            throw ArchiveError(ErrorKind::Unreadable,
                               "Die Datei " + inQuotes(path) + " kann nicht gelesen werden.");
        return fileSpt(target, std::move(bytes), fileNameOf(path));
    }
    const Site fields{std::string(), load.startDate.value_or(std::string()), std::string()};
    return fileSpt(target, sptForFiling(fields, std::move(load.records), target), fileNameOf(path));
}

// ---- one measurement ----

std::string Archive::sptBytes(std::int64_t id) const {
    QSqlQuery q = db_->run(QStringLiteral("SELECT spt_size, spt_z FROM measurements WHERE id = ?"),
                           {qlonglong{id}});
    if (!q.next())
        throw noMeasurement(id);
    return unpackSpt(q.value(1).toByteArray(), q.value(0).toLongLong(), id);
}

ReopenedMeasurement Archive::reopen(std::int64_t id) const {
    const FiledEntry e = entry(id);
    ReopenedMeasurement r;
    r.load = readStoredSpt(sptBytes(id));
    const std::string stem = createDefFileName(e.site.location, e.site.startDate);
    r.name = (stem.empty() ? "Archiv-" + std::to_string(id) : stem) + ".spt";
    return r;
}

std::optional<Comparison> Archive::compare(std::int64_t before, std::int64_t after) const {
    const auto figures = [&](std::int64_t id) {
        const FiledEntry e = entry(id);
        LoadResult load = readStoredSpt(sptBytes(id));
        NullStatusSink sink;
        const SplitResult split = splitDays(load.records, sink);
        return figuresOf(split.days, AnalysisInput{e.figures.limit, e.site.startDate,
                                                   split.duplicatesDropped, load.linesRejected});
    };
    return korvala::compare(figures(before), figures(after));
}

void Archive::remove(std::int64_t id) {
    Transaction transaction(*db_);
    QSqlQuery q = db_->run(QStringLiteral("DELETE FROM measurements WHERE id = ? RETURNING id"),
                           {qlonglong{id}});
    const bool found = q.next();
    q.finish();
    if (!found)
        throw noMeasurement(id);
    transaction.commit();
}

}  // namespace korvala::archive
