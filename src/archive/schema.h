#pragma once
// The archive's tables and their version. A new archive is created on first use; an older one is
// brought forward step by step, each step in the same transaction as the version it writes, so a
// program stopped half-way leaves the archive at the version before. An archive of a newer
// version, or a database that holds something else, is refused and left as it is.

#include "archive/database.h"

namespace korvala::archive {

// The version this program writes; every release that changes a table adds one.
inline constexpr int kSchemaVersion = 1;

// Checks the database and brings it to kSchemaVersion. Throws ArchiveError(NotArchive) for a
// foreign or newer database, before anything was written to it.
void prepareSchema(const Database& db);

}  // namespace korvala::archive
