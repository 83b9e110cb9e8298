#pragma once
// Reading a device .log or a program .spt file, and writing a .spt file.

#include <optional>
#include <string>
#include <string_view>

#include "model/measurement.h"

namespace korvala {

// Site data as the user typed them (UTF-8; the remark's line breaks are CR LF).
struct Site {
    std::string location;   // Text3 "Messort"
    std::string startDate;  // Text4 "Beginn der Messung", "dd.mm.yy"
    std::string remark;     // Text5 "Bemerkung"
    friend bool operator==(const Site&, const Site&) = default;
};

enum class FileKind { Spt, Log, Unknown };
// The kind is taken from the last three characters of the name, case-sensitively.
FileKind fileKindOf(std::string_view path);

enum class LoadOutcome {
    Loaded,        // records and site fields are to be taken over
    NotReadable,   // the file could not be opened or read (missing, folder, no permission)
    UnknownKind,   // the name ends neither in "spt" nor in "log": nothing happens, no message
    NotDeviceLog,  // a .log whose first line does not begin with "/": nothing happens
    WrongFormat,   // a .spt with a broken header or without "<>": "Falsches Format!" box
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::NotReadable;
    // Site fields that the file set; a field the file did not carry stays unset.
    std::optional<std::string> location, startDate, remark;
    Table records;
    bool formatError = false;           // some record line failed inside the parser
    std::optional<std::string> status;  // last text written to status panel 1, if any
    std::string systemError;            // why NotReadable, for the message
    int linesRejected = 0;              // record lines whose parse failed (either way)
    bool messageDue() const { return outcome == LoadOutcome::WrongFormat; }
};

// Why `path` was not loaded, as one German sentence for a message box or stderr ("Falsches
// Format!" for a broken file, a sentence naming the file otherwise); empty for a loaded file.
std::string loadFailureText(const LoadResult& result, std::string_view path);

// Reads the whole file at `path` and parses it. Never throws for any file content.
LoadResult readMeasurementFile(const std::string& path);
// The same for bytes already in memory; `path` only decides the kind.
LoadResult readMeasurementBytes(std::string_view path, std::string_view bytes);

// The .spt layout, Windows-1252 bytes with CR LF: header, remark, "<>", three empty lines, one
// line per record with a speed value above 0.
std::string sptContent(const Site& site, const Table& records);
// Writes `content` to `path`, replacing it. The bytes go to a temporary file beside it that is
// renamed over the target only when complete, so a full disk or a vanished drive never leaves a
// half-written file or destroys the previous one. Returns false (with `error` set) on failure.
bool writeFileBytes(const std::string& path, std::string_view content,
                    std::string* error = nullptr);

// First five characters of the location, then the start date without dots, blanks trimmed.
std::string createDefFileName(std::string_view location, std::string_view startDate);

}  // namespace korvala
