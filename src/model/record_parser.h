#pragma once
// Turns one record line into one Measurement stored at the index the caller passes.

#include <cstdint>
#include <string_view>

#include "model/measurement.h"
#include "model/status.h"

namespace korvala {

enum class ParseResult {
    Ok,
    // A field failed after the record number: "Falsches Format!" went to status panel 1, the
    // caller's formatError flag must be set; the record keeps what was set before the failure.
    FormatError,
    // The record number (parser) or the line length (parser_log) failed: nothing reached the
    // status bar and formatError stays; the caller goes on with its next line.
    CallerError,
};

inline constexpr std::string_view kFormatErrorText = "Falsches Format!";

// A line of a .spt file or of the serial transfer: "id,time,speed[,...]".
ParseResult parser(Table& records, std::string_view tempLine, std::int32_t dscount,
                   StatusSink& status);
// A line of the device's .log file: 12 characters of date prefix, then "time,speed[,...]".
ParseResult parser_log(Table& records, std::string_view tempLine, std::int32_t dscount,
                       StatusSink& status);

// The record-number field: blanks, optional sign, decimal digits, blanks; fits 32 bits.
bool parseRecordNumber(std::string_view field, std::int32_t& out);

}  // namespace korvala
