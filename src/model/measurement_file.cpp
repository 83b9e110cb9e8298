#include "model/measurement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "model/encoding.h"
#include "model/record_parser.h"
#include "model/text_util.h"

namespace korvala {

namespace {

// Walks the lines of a buffer without copying them. A line ends at CR LF, at a lone LF or at a
// lone CR; a last line without an end is a line too, a final line end opens no extra line. The
// next CR and the next LF are each searched once with memchr and remembered, so a file with only
// one kind of line end is not rescanned for the other one on every line.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool atEnd() const { return p_ == end_; }

    bool next(std::string_view& line) {
        if (p_ == end_)
            return false;
        if (nextCr_ < p_)
            nextCr_ = find('\r');
        if (nextLf_ < p_)
            nextLf_ = find('\n');
        const char* stop = nextCr_ < nextLf_ ? nextCr_ : nextLf_;
        line = std::string_view(p_, static_cast<std::size_t>(stop - p_));
        if (stop == end_) {
            p_ = end_;
        } else if (*stop == '\r' && stop + 1 != end_ && stop[1] == '\n') {
            p_ = stop + 2;
        } else {
            p_ = stop + 1;
        }
        return true;
    }

  private:
    const char* find(char c) const {
        const void* hit = std::memchr(p_, c, static_cast<std::size_t>(end_ - p_));
        return hit ? static_cast<const char*>(hit) : end_;
    }

    const char* p_;
    const char* end_;
    const char* nextCr_ = nullptr;
    const char* nextLf_ = nullptr;
};

// Remembers what the parsers wrote to the status line while one file is read.
class LastStatus final : public StatusSink {
  public:
    void setPanel(int panel, std::string_view text) override {
        if (panel == 1)
            text_.assign(text);
        written_ = written_ || panel == 1;
    }
    void moveInto(LoadResult& result) {
        if (written_)
            result.status = std::move(text_);
    }

  private:
    std::string text_;
    bool written_ = false;
};

void count(LoadResult& result, ParseResult r) {
    if (r == ParseResult::FormatError)
        result.formatError = true;
    if (r != ParseResult::Ok)
        ++result.linesRejected;
}

std::size_t countLines(std::string_view bytes) {
    std::size_t n = 0;
    for (char terminator : {'\n', '\r'}) {
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        while (const void* hit = std::memchr(p, terminator, static_cast<std::size_t>(end - p))) {
            ++n;
            p = static_cast<const char*>(hit) + 1;
        }
        // CR LF files are counted by their LF alone; only an old Mac-style file needs the CRs.
        if (n > 0)
            break;
    }
    return n + 1;
}

std::string removeQuotesAndTrim(std::string_view field) {
    return std::string(trimBlanks(replaceAll(field, "\"", "")));
}

void readLog(std::string_view bytes, LoadResult& result) {
    LineReader lines(bytes);
    std::string_view line;
    lines.next(line);  // an empty file yields an empty first line, which is no device log
    if (line.empty() || line.front() != '/') {
        result.outcome = LoadOutcome::NotDeviceLog;
        return;
    }
    // The first line's date prefix "/03/12/2026/" is the start date, as "03.12.26".
    std::string date = replaceAll(line.substr(1, 10), "/", ".");
    date = replaceAll(trimBlanks(date), ".20", ".");
    result.startDate = cp1252ToUtf8(date);

    result.records.reserve(countLines(bytes));
    LastStatus status;
    std::int32_t index = 0;
    if (line.size() >= 5)
        count(result, parser_log(result.records, line, index, status));
    while (lines.next(line)) {
        // Lines without "/" or of up to four characters are blank or noise: they get no index.
        if (line.size() <= 4 || line.find('/') == std::string_view::npos)
            continue;
        if (index == std::numeric_limits<std::int32_t>::max())
            break;
        ++index;
        count(result, parser_log(result.records, line, index, status));
    }
    status.moveInto(result);
    result.outcome = LoadOutcome::Loaded;
}

void readSpt(std::string_view bytes, LoadResult& result) {
    LineReader lines(bytes);
    std::string_view line;
    lines.next(line);
    const std::size_t firstComma = line.find(',');
    if (firstComma == std::string_view::npos || firstComma == 0) {
        result.outcome = LoadOutcome::WrongFormat;
        return;
    }
    {
        std::string_view header = line;
        std::string_view fields[3];
        std::size_t n = 0;
        for (;;) {
            const std::size_t comma = header.find(',');
            if (n < 3)
                fields[n] = header.substr(0, comma);
            ++n;
            if (comma == std::string_view::npos)
                break;
            header.remove_prefix(comma + 1);
        }
        if (removeQuotesAndTrim(fields[0]) != "spt") {
            result.outcome = LoadOutcome::WrongFormat;
            return;
        }
        if (n >= 2)
            result.location = cp1252ToUtf8(removeQuotesAndTrim(fields[1]));
        if (n >= 3)
            result.startDate = cp1252ToUtf8(removeQuotesAndTrim(fields[2]));
    }

    // The remark block runs up to and including the first line holding "<>". The header line
    // itself counts as the line last read, so a header holding "<>" ends the block at once.
    std::string collected;
    while (!contains(line, "<>")) {
        if (!lines.next(line)) {
            result.outcome = LoadOutcome::WrongFormat;
            return;
        }
        collected.append(line);
        collected.append("\r\n");
    }
    // Cutting the marker needs at least its four characters; an empty block leaves the remark
    // as the user had it.
    if (collected.size() >= 4) {
        collected.resize(collected.size() - 4);
        result.remark = cp1252ToUtf8(replaceAll(trimBlanks(collected), "\r\n\r\n", ""));
    }

    for (int skip = 0; skip < 3; ++skip)
        lines.next(line);

    result.records.reserve(countLines(bytes));
    LastStatus status;
    std::int32_t index = 0;
    while (lines.next(line)) {
        if (line.size() <= 4 || line.find(',') == std::string_view::npos)
            continue;
        count(result, parser(result.records, line, index, status));
        if (index == std::numeric_limits<std::int32_t>::max())
            break;
        ++index;
    }
    status.moveInto(result);
    result.outcome = LoadOutcome::Loaded;
}

void appendHeaderField(std::string& out, std::string_view utf8) {
    out.push_back('"');
    out += utf8ToCp1252(replaceAll(utf8, ",", ";"));
    out.push_back('"');
}

std::string errnoText(int err) {
    return std::strerror(err);
}

}  // namespace

FileKind fileKindOf(std::string_view path) {
    if (path.size() < 3)
        return FileKind::Unknown;
    const std::string_view tail = path.substr(path.size() - 3);
    if (tail == "spt")
        return FileKind::Spt;
    if (tail == "log")
        return FileKind::Log;
    return FileKind::Unknown;
}

LoadResult readMeasurementBytes(std::string_view path, std::string_view bytes) {
    LoadResult result;
    switch (fileKindOf(path)) {
        case FileKind::Log:
            readLog(bytes, result);
            break;
        case FileKind::Spt:
            readSpt(bytes, result);
            break;
        case FileKind::Unknown:
            result.outcome = LoadOutcome::UnknownKind;
            break;
    }
    if (result.outcome != LoadOutcome::Loaded) {
        // A file that is not taken over must not hand out half of its content.
        LoadOutcome outcome = result.outcome;
        result = LoadResult{};
        result.outcome = outcome;
    }
    return result;
}

LoadResult readMeasurementFile(const std::string& path) {
    LoadResult failed;
    failed.outcome = LoadOutcome::NotReadable;
    if (fileKindOf(path) == FileKind::Unknown) {
        failed.outcome = LoadOutcome::UnknownKind;
        return failed;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failed.systemError = errnoText(errno);
        return failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        failed.systemError = S_ISDIR(st.st_mode) ? errnoText(EISDIR) : errnoText(errno);
        ::close(fd);
        return failed;
    }
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size())
            bytes.resize(have + 65536);  // the file grew meanwhile
        const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed.systemError = errnoText(errno);
            ::close(fd);
            return failed;
        }
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(have);
    return readMeasurementBytes(path, bytes);
}

std::string sptContent(const Site& site, const Table& records) {
    std::string out;
    out.reserve(64 + site.remark.size() + records.size() * 24);
    appendHeaderField(out, "spt");
    out.push_back(',');
    appendHeaderField(out, site.location);
    out.push_back(',');
    appendHeaderField(out, site.startDate);
    out += "\r\n";
    out += utf8ToCp1252(site.remark);
    out += "\r\n<>\r\n\r\n\r\n\r\n";
    char idText[16];
    for (const Measurement& m : records) {
        if (!m.counts())
            continue;
        const int n = std::snprintf(idText, sizeof idText, "%d", static_cast<int>(m.id));
        out.append(idText, static_cast<std::size_t>(n));
        out.push_back(',');
        out += m.time.generalText();
        out.push_back(',');
        out += m.speed.text();
        out += "\r\n";
    }
    return out;
}

bool writeFileBytes(const std::string& path, std::string_view content, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "Die Datei \"" + path + "\" konnte nicht geschrieben werden: " + why;
        return false;
    };
    std::string tmpl = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return fail(errnoText(errno));
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return fail(errnoText(err));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // mkstemp creates the file for the owner only; a replaced file keeps its permissions, a new
    // one gets those of an ordinary document.
    struct stat old {};
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return fail(errnoText(err));
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return fail(errnoText(err));
    }
    return true;
}

std::string createDefFileName(std::string_view location, std::string_view startDate) {
    std::string name = utf8Left(location, 5);
    name += replaceAll(startDate, ".", "");
    return std::string(trimBlanks(name));
}

}  // namespace korvala
