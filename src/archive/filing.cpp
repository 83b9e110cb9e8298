#include "archive/filing.h"

#include <QCryptographicHash>
#include <algorithm>

#include "evaluation/statistics.h"
#include "model/text_util.h"
#include "model/timestamp.h"

namespace korvala::archive {

namespace {

// Only the ending matters to the reader: it decides the kind.
constexpr std::string_view kStoredName = "archiv.spt";
// zlib's fastest level: a week's .spt shrinks to about a third of its size all the same, while
// the default level took most of the time a filing costs.
constexpr int kCompressionLevel = 1;

// Splits `load`'s records into days, which also removes repeated records from them, and
// analyses the days.
FiledFigures figuresOf(LoadResult& load, int limit) {
    NullStatusSink sink;
    const std::string startDate = load.startDate.value_or(std::string());
    const SplitResult split = splitDays(load.records, sink);
    const Analysis analysis = analyze(
        split.days, AnalysisInput{limit, startDate, split.duplicatesDropped, load.linesRejected});
    FiledFigures f;
    f.days = static_cast<int>(analysis.days.size());
    f.vehicles = analysis.speeds.vehicles;
    f.averageDaily = analysis.averageDaily;
    f.v50 = analysis.speeds.v50;
    f.v85 = analysis.speeds.v85;
    f.shareOver = analysis.exceedance.share;
    f.verdict = analysis.exceedance.verdict;
    f.limit = limit;
    if (const auto start = Timestamp::parseDate(startDate)) {
        const std::int64_t first = start->day();
        f.period = Period{first, first + std::max(f.days, 1) - 1};
    }
    return f;
}

// The record lines as the .spt writes them, without the site: a device's .log and the .spt
// saved from it give the same lines, whatever was typed into the site fields.
std::string contentHashOf(const Table& records) {
    const std::string lines = sptContent(Site{}, records);
    return QCryptographicHash::hash(QByteArrayView(lines.data(), std::ssize(lines)),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

}  // namespace

std::string sptForFiling(Site site, Table records, const SiteRecord& target) {
    // A line holding "<>" ends the .spt's remark block: the lines after it would be read back
    // as records.
    for (const std::string* field : {&site.location, &site.startDate, &site.remark})
        if (contains(*field, "<>"))
            throw ArchiveError(ErrorKind::Invalid,
                               "Messort, Datum und Bemerkung dürfen kein \"<>\" enthalten: die "
                               ".spt-Datei wäre sonst nicht mehr lesbar.");
    if (trimBlanks(site.location).empty())
        site.location = target.data.name;
    NullStatusSink sink;
    splitDays(records, sink);
    return sptContent(site, records);
}

LoadResult readStoredSpt(std::string_view spt) {
    return readMeasurementBytes(kStoredName, spt);
}

PreparedMeasurement prepareMeasurement(std::string spt, int limit) {
    LoadResult load = readStoredSpt(spt);
    if (load.outcome != LoadOutcome::Loaded)
        throw ArchiveError(ErrorKind::Unreadable, "Falsches Format!");
    PreparedMeasurement p;
    p.site = Site{load.location.value_or(std::string()), load.startDate.value_or(std::string()),
                  load.remark.value_or(std::string())};
    p.figures = figuresOf(load, limit);
    if (p.figures.vehicles == 0)
        throw ArchiveError(ErrorKind::Unreadable,
                           "Die Messung enthält keine Fahrzeuge und wird nicht abgelegt.");
    p.contentHash = contentHashOf(load.records);  // repeated records removed by figuresOf
    p.stored =
        qCompress(reinterpret_cast<const uchar*>(spt.data()), std::ssize(spt), kCompressionLevel);
    p.spt = std::move(spt);
    return p;
}

FiledFigures figuresOfSpt(std::string_view spt, int limit) {
    LoadResult load = readStoredSpt(spt);
    return figuresOf(load, limit);
}

std::string unpackSpt(const QByteArray& stored, std::int64_t expectedSize, std::int64_t id) {
    const QByteArray spt = qUncompress(stored);
    if (spt.size() != expectedSize)
        throw ArchiveError(ErrorKind::NotArchive,
                           "Die Messung Nr. " + std::to_string(id) + " im Archiv ist beschädigt.");
    return spt.toStdString();
}

}  // namespace korvala::archive
