#include "model/record_parser.h"

#include <limits>

#include "model/text_util.h"

namespace korvala {

namespace {

// Splits a line at "," lazily: only the fields a parser needs are cut, and fields beyond them are
// never looked at, whatever they hold.
class FieldCursor {
  public:
    explicit FieldCursor(std::string_view line) : rest_(line) {}

    // The next field, or false when the line has no more fields.
    bool next(std::string_view& field) {
        if (done_)
            return false;
        // Fields are a few bytes long: a plain loop beats a library call here.
        std::size_t len = 0;
        while (len < rest_.size() && rest_[len] != ',')
            ++len;
        if (len == rest_.size()) {
            field = rest_;
            done_ = true;
            return true;
        }
        field = rest_.substr(0, len);
        rest_.remove_prefix(len + 1);
        return true;
    }

  private:
    std::string_view rest_;
    bool done_ = false;
};

// The resize rule of the table; readers call in index order, so the common case is one more
// element at the end, which should not cost an out-of-line resize per line.
void resizeForIndex(Table& records, std::int32_t dscount) {
    if (dscount >= 0 && static_cast<std::size_t>(dscount) == records.size())
        records.emplace_back();
    else
        resizeTo(records, dscount);
}

ParseResult formatError(StatusSink& status) {
    status.setPanel(1, kFormatErrorText);
    return ParseResult::FormatError;
}

// Time and speed, the part both line kinds share. What was set before a failure stays set.
ParseResult readTimeAndSpeed(Measurement& m, FieldCursor& fields, StatusSink& status) {
    std::string_view field;
    if (!fields.next(field))
        return formatError(status);
    const auto time = Timestamp::parse(field);
    if (!time)
        return formatError(status);
    m.time = *time;
    if (!fields.next(field))
        return formatError(status);
    m.speed = Speed::fromField(field);
    return ParseResult::Ok;
}

}  // namespace

bool parseRecordNumber(std::string_view field, std::int32_t& out) {
    const char* p = field.data();
    const char* const end = p + field.size();
    const bool negative = skipBlanksAndSign(p, end);
    if (p == end || *p < '0' || *p > '9')
        return false;
    // Accumulate as a negative number so that INT32_MIN itself is accepted.
    std::int64_t v = 0;
    while (p != end && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1)
            return false;
        ++p;
    }
    while (p != end && *p == ' ')
        ++p;
    if (p != end)
        return false;
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

ParseResult parser(Table& records, std::string_view tempLine, std::int32_t dscount,
                   StatusSink& status) {
    resizeForIndex(records, dscount);
    if (dscount < 0)
        return ParseResult::CallerError;
    FieldCursor fields(tempLine);
    std::string_view field;
    std::int32_t id = 0;
    if (tempLine.empty() || !fields.next(field) || !parseRecordNumber(field, id)) {
        return ParseResult::CallerError;
    }
    Measurement& m = records[static_cast<std::size_t>(dscount)];
    m.id = id;
    return readTimeAndSpeed(m, fields, status);
}

ParseResult parser_log(Table& records, std::string_view tempLine, std::int32_t dscount,
                       StatusSink& status) {
    constexpr std::size_t kPrefix = 12;  // "/dd/mm/yyyy/"
    if (tempLine.size() < kPrefix)
        return ParseResult::CallerError;
    resizeForIndex(records, dscount);
    if (dscount < 0)
        return ParseResult::CallerError;
    Measurement& m = records[static_cast<std::size_t>(dscount)];
    m.id = dscount;
    FieldCursor fields(tempLine.substr(kPrefix));
    return readTimeAndSpeed(m, fields, status);
}

}  // namespace korvala
