#include "model/timestamp.h"

namespace korvala {

namespace {

// Day 0 of the value is 30.12.1899; the calendar arithmetic below counts from 01.01.1970.
constexpr std::int64_t kEpochShift = 25569;

// Proleptic Gregorian calendar <-> day count, valid over the whole int64 range we meet.
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

constexpr bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int daysInMonth(int y, int m) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

inline void put2(std::string& out, int v) {
    out.push_back(static_cast<char>('0' + v / 10 % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

inline void put4(std::string& out, std::int64_t v) {
    if (v < 0 || v > 9999) {
        out += std::to_string(v);
        return;
    }
    const int y = static_cast<int>(v);
    put2(out, y / 100);
    put2(out, y % 100);
}

// The scanner works on raw bytes; it runs once per record line, so it must not allocate.
struct Scanner {
    const char* p;
    const char* end;

    bool atEnd() const { return p == end; }
    void skipBlanks() {
        while (p != end && *p == ' ')
            ++p;
    }
    // Up to `maxDigits` decimal digits, at least one; returns how many were read.
    int digits(int maxDigits, int& value) {
        value = 0;
        int n = 0;
        while (p != end && n < maxDigits && *p >= '0' && *p <= '9') {
            value = value * 10 + (*p - '0');
            ++p;
            ++n;
        }
        return n;
    }
    bool take(char c) {
        if (p != end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }
    bool nextIsDigit() const { return p != end && *p >= '0' && *p <= '9'; }
};

// "h:mm[:ss]" with one or two digits each.
bool scanTime(Scanner& s, int& secondsOfDay) {
    int h = 0, m = 0, sec = 0;
    if (s.digits(2, h) == 0 || s.nextIsDigit() || !s.take(':'))
        return false;
    if (s.digits(2, m) == 0 || s.nextIsDigit())
        return false;
    if (s.take(':')) {
        if (s.digits(2, sec) == 0 || s.nextIsDigit())
            return false;
    }
    if (h > 23 || m > 59 || sec > 59)
        return false;
    secondsOfDay = h * 3600 + m * 60 + sec;
    return true;
}

// "d.m.yy" or "d.m.yyyy".
bool scanDate(Scanner& s, std::int64_t& dayCount) {
    int d = 0, m = 0, y = 0;
    if (s.digits(2, d) == 0 || s.nextIsDigit() || !s.take('.'))
        return false;
    if (s.digits(2, m) == 0 || s.nextIsDigit() || !s.take('.'))
        return false;
    const int yearDigits = s.digits(4, y);
    if (s.nextIsDigit())
        return false;
    if (yearDigits == 2) {
        y += y < 30 ? 2000 : 1900;
    } else if (yearDigits != 4 || y < 100) {
        return false;
    }
    if (m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
        return false;
    dayCount = daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kEpochShift;
    return true;
}

bool looksLikeDate(const char* p, const char* end) {
    // A date has its first separator "." before any ":".
    for (; p != end; ++p) {
        if (*p == '.')
            return true;
        if (*p == ':')
            return false;
    }
    return false;
}

}  // namespace

void Timestamp::date(int& year, int& month, int& dayOfMonth) const {
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(day() - kEpochShift, y, m, d);
    year = static_cast<int>(y);
    month = static_cast<int>(m);
    dayOfMonth = static_cast<int>(d);
}

std::string Timestamp::hourMinuteText() const {
    std::string out;
    out.reserve(8);
    put2(out, hour());
    out.push_back(':');
    put2(out, minute());
    return out;
}

std::string Timestamp::timeText() const {
    std::string out = hourMinuteText();
    out.push_back(':');
    put2(out, second());
    return out;
}

std::string Timestamp::shortDateText() const {
    int y = 0, m = 0, d = 0;
    date(y, m, d);
    std::string out;
    out.reserve(8);
    put2(out, d);
    out.push_back('.');
    put2(out, m);
    out.push_back('.');
    put2(out, ((y % 100) + 100) % 100);
    return out;
}

std::string Timestamp::generalText() const {
    if (!hasDate())
        return timeText();
    int y = 0, m = 0, d = 0;
    date(y, m, d);
    std::string out;
    out.reserve(19);
    put2(out, d);
    out.push_back('.');
    put2(out, m);
    out.push_back('.');
    put4(out, y);
    if (secondOfDay() != 0) {
        out.push_back(' ');
        out += timeText();
    }
    return out;
}

std::optional<Timestamp> Timestamp::parse(std::string_view text) {
    // Nearly every call sees the device's "hh:mm:ss"; take it without the general scanner.
    if (text.size() == 8 && text[2] == ':' && text[5] == ':') {
        auto digit = [&](std::size_t i) { return static_cast<unsigned>(text[i] - '0'); };
        const unsigned h1 = digit(0), h2 = digit(1), m1 = digit(3), m2 = digit(4), s1 = digit(6),
                       s2 = digit(7);
        if ((h1 < 10) & (h2 < 10) & (m1 < 10) & (m2 < 10) & (s1 < 10) & (s2 < 10)) {
            const unsigned h = h1 * 10 + h2, m = m1 * 10 + m2, sec = s1 * 10 + s2;
            if (h > 23 || m > 59 || sec > 59)
                return std::nullopt;
            return Timestamp(static_cast<std::int64_t>(h * 3600 + m * 60 + sec));
        }
    }
    Scanner s{text.data(), text.data() + text.size()};
    s.skipBlanks();
    std::int64_t days = 0;
    int secs = 0;
    if (looksLikeDate(s.p, s.end)) {
        if (!scanDate(s, days))
            return std::nullopt;
        s.skipBlanks();
        if (s.atEnd())
            return Timestamp(days * kSecondsPerDay);
        // The time needs at least one blank after the date; skipBlanks consumed it, so check
        // that the date did not run straight into the time.
        if (s.p[-1] != ' ')
            return std::nullopt;
    }
    if (!scanTime(s, secs))
        return std::nullopt;
    s.skipBlanks();
    if (!s.atEnd())
        return std::nullopt;
    return Timestamp(days * kSecondsPerDay + secs);
}

std::optional<Timestamp> Timestamp::parseDate(std::string_view text) {
    Scanner s{text.data(), text.data() + text.size()};
    s.skipBlanks();
    std::int64_t days = 0;
    if (!scanDate(s, days))
        return std::nullopt;
    s.skipBlanks();
    if (!s.atEnd())
        return std::nullopt;
    return Timestamp(days * kSecondsPerDay);
}

}  // namespace korvala
