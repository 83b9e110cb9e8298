#pragma once
// Reading a device .log or a program .spt file, and the content of a .spt file.

#include <optional>
#include <string>
#include <string_view>

#include "model/file_write.h"
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
// The status a loaded file with record lines that could not be read leaves ("Falsches Format!"
// and how many lines), for stderr where no status bar shows it; empty when every line was read.
std::string rejectedLinesText(const LoadResult& result);

// Reads the whole file at `path` and parses it. Never throws for any file content.
LoadResult readMeasurementFile(const std::string& path);
// The same for bytes already in memory; `path` only decides the kind.
LoadResult readMeasurementBytes(std::string_view path, std::string_view bytes);

// The .spt layout, Windows-1252 bytes with CR LF: header, remark, "<>", three empty lines, one
// line per record with a speed value above 0.
std::string sptContent(const Site& site, const Table& records);
// The site texts as reopening a .spt file written from `site` gives them back (a text the file
// does not set comes back empty).
Site sptSiteAfterReopen(const Site& site);
// The warning due before saving `site` as .spt: every site text that would not come back as typed
// (a line break in the location or date, a remark line holding "<>", a comma or quote in the
// header, a character outside Windows-1252), with what the reopened file would show instead.
// Blanks at line ends and empty lines around the text do not count. Empty when all survive.
std::string sptSiteLossText(const Site& site);
// First five characters of the location, then the start date without dots, blanks trimmed.
std::string createDefFileName(std::string_view location, std::string_view startDate);

}  // namespace korvala
