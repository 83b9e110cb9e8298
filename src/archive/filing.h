#pragma once
// What the archive keeps of one measurement: its .spt bytes (exact, and reopening them is reading
// a .spt file), compressed; a hash of its record lines, so that a device .log and the .spt saved
// from it are recognised as the same measurement; and the figures the lists show.

#include <QByteArray>
#include <string>
#include <string_view>

#include "archive/archive_types.h"
#include "model/measurement.h"

namespace korvala::archive {

// The .spt bytes that "Speichern" writes after the measurement was opened: the evaluation has
// removed repeated records, and an empty location takes the site's name.
std::string sptForFiling(Site site, Table records, const SiteRecord& target);

struct PreparedMeasurement {
    std::string spt;
    QByteArray stored;  // spt, compressed
    std::string contentHash;
    Site site;  // the site fields as the .spt reopens
    FiledFigures figures;
};

// Everything the archive stores of the .spt bytes `spt`, the figures against `limit`. The
// figures and the hash are those of the .spt as it reopens. Throws ArchiveError for bytes that
// are no .spt and for a measurement without vehicles.
PreparedMeasurement prepareMeasurement(std::string spt, int limit);

// Reads stored .spt bytes as the program reads a .spt file.
LoadResult readStoredSpt(std::string_view spt);
// The figures of stored .spt bytes against `limit`.
FiledFigures figuresOfSpt(std::string_view spt, int limit);
// The .spt bytes of measurement `id` from its stored form; throws when they are damaged.
std::string unpackSpt(const QByteArray& stored, std::int64_t expectedSize, std::int64_t id);

}  // namespace korvala::archive
