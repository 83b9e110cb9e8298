// libFuzzer entry: every byte sequence must give a defined result from the readers and the
// parsers, and whatever the readers accept must survive being written and read again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/encoding.h"
#include "model/measurement_file.h"
#include "model/record_parser.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvala;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const LoadResult log = readMeasurementBytes("x.log", bytes);
    check(log.formatError == log.status.has_value());
    for (std::size_t i = 0; i < log.records.size(); ++i) {
        check(log.records[i].isEmpty() || log.records[i].id == static_cast<std::int32_t>(i));
    }

    const LoadResult spt = readMeasurementBytes("x.spt", bytes);
    check(spt.formatError == spt.status.has_value());
    if (spt.outcome == LoadOutcome::Loaded) {
        // Saving what was read and reading it again keeps every vehicle.
        const Site site{spt.location.value_or(""), spt.startDate.value_or(""),
                        spt.remark.value_or("")};
        const LoadResult again = readMeasurementBytes("y.spt", sptContent(site, spt.records));
        check(again.outcome == LoadOutcome::Loaded);
        std::size_t vehicles = 0;
        for (const Measurement& m : spt.records)
            vehicles += m.counts() ? 1 : 0;
        // A "<>" in the site texts moves the end of the remark block, which is the format's
        // own ambiguity; only files without one must keep their vehicles exactly.
        const bool marker =
            (site.location + site.startDate + site.remark).find("<>") != std::string::npos;
        check(marker || again.records.size() == vehicles);
    }

    // The parsers on the raw bytes as one line, at a small index so memory stays bounded.
    Table records;
    NullStatusSink status;
    const auto index = static_cast<std::int32_t>(size % 64);
    parser(records, bytes, index, status);
    parser_log(records, bytes, index, status);
    check(records.size() <= 65);

    check(utf8ToCp1252(cp1252ToUtf8(bytes)) == bytes);
    (void)utf8Left(bytes, size % 7);
    (void)createDefFileName(bytes, bytes);
    return 0;
}
