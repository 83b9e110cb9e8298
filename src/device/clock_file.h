#pragma once
// The device takes its date and time from a one-line file in the root folder of its card.

#include <string>
#include <string_view>

namespace korvala {

inline constexpr std::string_view kClockFileName = "timeset.txt";

// "/dd/mm/yyyy/hh:mm:ss": the same date layout as the prefix of the device's log lines.
std::string clockFileContent(int day, int month, int year, int hour, int minute, int second);

// The file in the root of `drive` (a mount point or folder).
std::string clockFilePath(std::string_view drive);

struct ClockFileResult {
    bool ok = false;
    std::string path;
    std::string message;  // what the user is told, success or not
};

// Writes `timedate` and CR LF to the clock file of `drive`, replacing it. A missing drive, a
// read-only or full card are reported in `message` and leave any earlier file intact.
ClockFileResult writeClockFile(std::string_view timedate, std::string_view drive);

}  // namespace korvala
