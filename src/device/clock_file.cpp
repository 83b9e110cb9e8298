#include "device/clock_file.h"

#include <filesystem>
#include <system_error>

#include "model/measurement_file.h"

namespace korvala {

namespace {

void appendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + (value / 10) % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string clockFileContent(int day, int month, int year, int hour, int minute, int second) {
    std::string out = "/";
    appendTwoDigits(out, day);
    out += '/';
    appendTwoDigits(out, month);
    out += '/';
    out += std::to_string(year);
    out += '/';
    appendTwoDigits(out, hour);
    out += ':';
    appendTwoDigits(out, minute);
    out += ':';
    appendTwoDigits(out, second);
    return out;
}

std::string clockFilePath(std::string_view drive) {
    std::string path(drive);
    // A mount point such as "/" already ends in the separator.
    if (path.empty() || path.back() != '/')
        path += '/';
    path += kClockFileName;
    return path;
}

ClockFileResult writeClockFile(std::string_view timedate, std::string_view drive) {
    ClockFileResult result;
    if (drive.empty()) {
        result.message = "Es ist kein SD-Laufwerk ausgewählt.";
        return result;
    }
    result.path = clockFilePath(drive);
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::path(std::string(drive)), ec)) {
        result.message = "Das SD-Laufwerk " + std::string(drive) +
                         " ist nicht bereit. Bitte prüfen Sie, ob die Karte eingelegt ist.";
        return result;
    }
    std::string content(timedate);
    content += "\r\n";
    if (!writeFileBytes(result.path, content)) {
        result.message = result.path +
                         " konnte nicht geschrieben werden. Bitte prüfen Sie, ob die Karte "
                         "schreibgeschützt oder voll ist.";
        return result;
    }
    result.ok = true;
    result.message = result.path + " wurde geändert: " + std::string(timedate);
    return result;
}

}  // namespace korvala
