#include "model/measurement_file.h"

#include "model/memory_hint.h"

#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "model/encoding.h"
#include "model/record_parser.h"
#include "model/system_error.h"
#include "model/text_util.h"

namespace korvala {

namespace {

// The first byte at or after `p` that is (kLineEnd) or is not a CR or LF, or `end`. Device lines
// are about 25 bytes, too short for memchr's call to pay off twice per line; sixteen bytes a step
// keeps megabyte lines and long runs of empty lines cheap too.
template <bool kLineEnd>
const char* findFirst(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (!kLineEnd)
            mask = ~mask & 0xFFFF;
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p != end && (*p == '\r' || *p == '\n') != kLineEnd)
        ++p;
    return p;
}

const char* findLineEnd(const char* p, const char* end) {
    return findFirst<true>(p, end);
}

// Walks the lines of a buffer without copying them. A line ends at CR LF, at a lone LF or at a
// lone CR; a last line without an end is a line too, a final line end opens no extra line.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool next(std::string_view& line) {
        if (p_ == end_)
            return false;
        const char* stop = findLineEnd(p_, end_);
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
    const char* p_;
    const char* end_;
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

// Every line that takes an index is longer than four characters and holds `separator`, so their
// number bounds the table. Counted exactly rather than estimated from the file size: a file of
// blank or noise lines reserves nothing, and memory follows the records a file can make. Empty
// lines count for nothing, so a run of line ends is skipped in one step.
void reserveRecords(Table& records, std::string_view bytes, char separator) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    std::size_t n = 0;
    while ((p = findFirst<false>(p, end)) != end) {
        const char* stop = findLineEnd(p, end);
        const auto length = static_cast<std::size_t>(stop - p);
        n += length > 4 && std::memchr(p, separator, length) != nullptr ? 1 : 0;
        p = stop;
    }
    records.reserve(n);
    prepareMemory(records.data(), records.capacity() * sizeof(Measurement));
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

    reserveRecords(result.records, bytes, '/');
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

    reserveRecords(result.records, bytes, ',');
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
    try {
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
    } catch (const std::bad_alloc&) {
        // Lines of a few bytes each can ask for far more table than the file is large; such a
        // file is reported as unreadable rather than ending the program.
        result = LoadResult{};
        result.outcome = LoadOutcome::NotReadable;
        result.systemError = systemErrorText(ENOMEM);
        return result;
    }
    if (result.outcome != LoadOutcome::Loaded) {
        // A file that is not taken over must not hand out half of its content.
        LoadOutcome outcome = result.outcome;
        result = LoadResult{};
        result.outcome = outcome;
    }
    return result;
}

namespace {

// The whole file in one piece of memory, with huge pages where the system grants them.
class FileBuffer {
  public:
    FileBuffer() = default;
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;
    ~FileBuffer() {
        if (mapped_)
            ::munmap(data_, capacity_);
    }

    bool allocate(std::size_t size) {
        capacity_ = size + 1;
        void* p =
            ::mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            mapped_ = true;
            data_ = static_cast<char*>(p);
            prepareMemory(data_, capacity_);
            return true;
        }
        fallback_ = std::unique_ptr<char[]>(new (std::nothrow) char[capacity_]);
        data_ = fallback_.get();
        return data_ != nullptr;
    }
    char* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }

  private:
    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
    std::unique_ptr<char[]> fallback_;
};

// Reads everything from `fd` into `buffer`; a file that grew since fstat is read up to the size
// it had then, which is what the user picked.
bool readAll(int fd, FileBuffer& buffer, std::size_t size, std::size_t& have, int& err) {
    have = 0;
    while (have < size) {
        const ssize_t n = ::read(fd, buffer.data() + have, size - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            return false;
        }
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

LoadResult readMeasurementFile(const std::string& path) {
    LoadResult failed;
    failed.outcome = LoadOutcome::NotReadable;
    if (fileKindOf(path) == FileKind::Unknown) {
        failed.outcome = LoadOutcome::UnknownKind;
        return failed;
    }
    // Non-blocking, so that a pipe or a device given a measurement name cannot stall the open;
    // it is turned away below, and reading a regular file never blocks anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        failed.systemError = systemErrorText(errno);
        return failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        failed.systemError = systemErrorText(errno);
        ::close(fd);
        return failed;
    }
    if (!S_ISREG(st.st_mode)) {
        failed.systemError = systemErrorText(S_ISDIR(st.st_mode) ? EISDIR : ESPIPE);
        ::close(fd);
        return failed;
    }
    // The device writes a few dozen bytes per vehicle; two gigabytes would be far more vehicles
    // than the record numbers can count, so such a file is no measurement and is not loaded.
    constexpr off_t kLargest = off_t{1} << 31;
    if (st.st_size > kLargest) {
        failed.systemError = systemErrorText(EFBIG);
        ::close(fd);
        return failed;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    FileBuffer buffer;
    if (!buffer.allocate(size)) {
        failed.systemError = systemErrorText(ENOMEM);
        ::close(fd);
        return failed;
    }
    std::size_t have = 0;
    int err = 0;
    const bool ok = readAll(fd, buffer, size, have, err);
    ::close(fd);
    if (!ok) {
        failed.systemError = systemErrorText(err);
        return failed;
    }
    return readMeasurementBytes(path, std::string_view(buffer.data(), have));
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
    // A million lines are written in one go, so the common shapes (a time without date, an
    // integral speed) are formatted in place rather than through temporary strings.
    char line[64];
    for (const Measurement& m : records) {
        if (!m.counts())
            continue;
        char* p = std::to_chars(line, line + 16, m.id).ptr;
        *p++ = ',';
        if (!m.time.hasDate()) {
            const int sod = m.time.secondOfDay();
            const int parts[3] = {sod / 3600, sod / 60 % 60, sod % 60};
            for (int k = 0; k < 3; ++k) {
                *p++ = static_cast<char>('0' + parts[k] / 10);
                *p++ = static_cast<char>('0' + parts[k] % 10);
                *p++ = k < 2 ? ':' : ',';
            }
        } else {
            out.append(line, p);
            out += m.time.generalText();
            p = line;
            *p++ = ',';
        }
        const double v = m.speed.number();
        if (v == std::trunc(v) && std::fabs(v) < 1e15) {
            p = std::to_chars(p, line + sizeof line, static_cast<std::int64_t>(v)).ptr;
            out.append(line, p);
        } else {
            out.append(line, p);
            out += m.speed.text();
        }
        out += "\r\n";
    }
    return out;
}

Site sptSiteAfterReopen(const Site& site) {
    const LoadResult back = readMeasurementBytes("x.spt", sptContent(site, {}));
    return Site{back.location.value_or(""), back.startDate.value_or(""), back.remark.value_or("")};
}

namespace {

// What a reader of the field sees: its lines without blanks at either end, without empty lines
// before the first or after the last text line.
std::vector<std::string_view> visibleLines(std::string_view text) {
    std::vector<std::string_view> out;
    LineReader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        line = trimBlanks(line);
        if (!line.empty() || !out.empty())
            out.push_back(line);
    }
    while (!out.empty() && out.back().empty())
        out.pop_back();
    return out;
}

// One line for a message: line breaks shown as "↵", long texts cut.
std::string shownText(std::string_view text) {
    std::string out;
    for (std::string_view line : visibleLines(text))
        out += (out.empty() ? "" : " ↵ ") + std::string(line);
    constexpr std::size_t kLongest = 60;
    return utf8Length(out) > kLongest ? utf8Left(out, kLongest) + "…" : out;
}

}  // namespace

std::string sptSiteLossText(const Site& site) {
    const Site back = sptSiteAfterReopen(site);
    const struct {
        const char* name;
        const std::string& typed;
        const std::string& reopened;
    } fields[] = {{"Messort", site.location, back.location},
                  {"Beginn der Messung", site.startDate, back.startDate},
                  {"Bemerkung", site.remark, back.remark}};
    std::string changes;
    for (const auto& f : fields) {
        if (visibleLines(f.typed) != visibleLines(f.reopened))
            changes += "\n" + std::string(f.name) + ": \"" + shownText(f.reopened) + "\" statt \"" +
                       shownText(f.typed) + "\"";
    }
    if (changes.empty())
        return {};
    return "Die .spt-Datei kann nicht alles so aufnehmen, wie es eingegeben ist. Nach dem "
           "Öffnen der gespeicherten Datei stünde dort:" +
           changes;
}

std::string createDefFileName(std::string_view location, std::string_view startDate) {
    std::string name = utf8Left(location, 5);
    name += replaceAll(startDate, ".", "");
    return std::string(trimBlanks(name));
}

std::string loadFailureText(const LoadResult& result, std::string_view path) {
    const std::string quoted = "\"" + std::string(path) + "\"";
    switch (result.outcome) {
        case LoadOutcome::Loaded:
            return {};
        case LoadOutcome::NotReadable:
            return "Die Datei " + quoted + " kann nicht gelesen werden" +
                   (result.systemError.empty() ? "." : ": " + result.systemError);
        case LoadOutcome::UnknownKind:
            return quoted +
                   " ist weder eine .spt- noch eine .log-Datei (die Endung entscheidet, "
                   "Groß-/Kleinschreibung zählt).";
        case LoadOutcome::NotDeviceLog:
            return quoted +
                   " ist kein Protokoll des Messgeräts (die erste Zeile beginnt nicht mit \"/\").";
        case LoadOutcome::WrongFormat:
            break;
    }
    return "Falsches Format!";
}

std::string rejectedLinesText(const LoadResult& result) {
    if (result.outcome != LoadOutcome::Loaded || result.linesRejected <= 0)
        return {};
    const int n = result.linesRejected;
    return std::string(kFormatErrorText) + " " + std::to_string(n) +
           (n == 1 ? " Zeile konnte nicht gelesen werden."
                   : " Zeilen konnten nicht gelesen werden.");
}

}  // namespace korvala
