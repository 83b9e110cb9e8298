// A folder of measurement files into one site: each file in its own transaction, so a program
// stopped half-way leaves every file filed whole or not at all, and running the import again
// files the rest and reports the others as filed already.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "archive/archive.h"

namespace korvala::archive {

namespace {

bool isMeasurementName(const std::string& name) {
    const auto endsWith = [&](std::string_view tail) {
        return name.size() > tail.size() &&
               name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    return endsWith(".log") || endsWith(".spt");
}

std::vector<std::string> measurementFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    std::vector<std::string> files;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && isMeasurementName(it->path().filename().string()))
            files.push_back(it->path().string());
    }
    if (ec)
        throw ArchiveError(
            ErrorKind::Unreadable,
            "Der Ordner \"" + folder + "\" kann nicht gelesen werden: " + ec.message());
    std::sort(files.begin(), files.end());
    return files;
}

ImportItem fileOne(Archive& archive, std::int64_t siteId, const std::string& path) {
    ImportItem item;
    item.file = path;
    try {
        item.id = archive.fileFrom(siteId, path);
        item.outcome = ImportOutcome::Filed;
    } catch (const ArchiveError& e) {
        item.message = e.what();
        item.id = e.id();
        switch (e.kind()) {
            case ErrorKind::Duplicate:
                item.outcome = ImportOutcome::AlreadyFiled;
                break;
            case ErrorKind::Unreadable:
            case ErrorKind::Invalid:
                item.outcome = ImportOutcome::Unreadable;
                break;
            default:
                item.outcome = ImportOutcome::Failed;
                break;
        }
    }
    return item;
}

}  // namespace

int ImportReport::count(ImportOutcome outcome) const {
    return static_cast<int>(std::count_if(
        items.begin(), items.end(), [&](const ImportItem& i) { return i.outcome == outcome; }));
}

ImportReport Archive::importFolder(std::int64_t siteId, const std::string& folder,
                                   const ImportProgress& progress) {
    site(siteId);
    const std::vector<std::string> files = measurementFiles(folder);
    ImportReport report;
    report.total = static_cast<int>(files.size());
    for (const std::string& path : files) {
        report.items.push_back(fileOne(*this, siteId, path));
        const ImportItem& item = report.items.back();
        const int done = static_cast<int>(report.items.size());
        const bool goOn = !progress || progress(item, done, report.total);
        // A failure of the archive itself (full disk, lost connection) would repeat for every
        // further file: the import ends with it.
        if (item.outcome == ImportOutcome::Failed)
            break;
        if (!goOn) {
            report.cancelled = done < report.total;
            break;
        }
    }
    return report;
}

}  // namespace korvala::archive
