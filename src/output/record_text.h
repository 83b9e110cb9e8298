#pragma once
// Text forms of a record's time and speed for the exports that write every record of a
// measurement. A week of data is millions of lines, so these append into a caller's buffer
// instead of building a string per field; they give exactly Timestamp::timeText() and
// Speed::text().

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "model/speed.h"
#include "model/timestamp.h"

namespace korvala::record_text {

// "hh:mm:ss" of the time of day.
inline void appendTime(std::string& out, Timestamp t) {
    const int s = t.secondOfDay();
    const int h = s / 3600, m = s / 60 % 60, sec = s % 60;
    const char text[8] = {static_cast<char>('0' + h / 10),   static_cast<char>('0' + h % 10),  ':',
                          static_cast<char>('0' + m / 10),   static_cast<char>('0' + m % 10),  ':',
                          static_cast<char>('0' + sec / 10), static_cast<char>('0' + sec % 10)};
    out.append(text, sizeof text);
}

inline void appendInteger(std::string& out, long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

// The stored speed text. Whole numbers below the exponent range print as plain integers, which
// is what nearly every record holds; anything else takes the general conversion.
inline void appendSpeed(std::string& out, const Speed& speed) {
    if (speed.empty())
        return;
    const double v = speed.number();
    if (std::fabs(v) < 1e15 && v == std::trunc(v)) {
        appendInteger(out, static_cast<long long>(v));
        return;
    }
    out += speed.text();
}

}  // namespace korvala::record_text
