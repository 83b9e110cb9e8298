#include "model/speed.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "model/text_util.h"

namespace korvala {

double leadingNumber(std::string_view field) {
    const char* p = field.data();
    const char* const end = p + field.size();
    const bool negative = skipBlanksAndSign(p, end);
    const char* const start = p;
    // Device speeds are short integers; they never need the general conversion.
    std::uint64_t whole = 0;
    int wholeDigits = 0;
    while (p != end && *p >= '0' && *p <= '9') {
        whole = whole * 10 + static_cast<unsigned>(*p - '0');
        ++wholeDigits;
        ++p;
    }
    const char* const wholeEnd = p;
    int fractionDigits = 0;
    if (p != end && *p == '.') {
        const char* q = p + 1;
        while (q != end && *q >= '0' && *q <= '9')
            ++q;
        fractionDigits = static_cast<int>(q - p - 1);
        if (fractionDigits > 0 || wholeDigits > 0)
            p = q;
    }
    if (wholeDigits == 0 && fractionDigits == 0)
        return 0.0;

    double value = 0;
    if (fractionDigits == 0 && wholeDigits <= 15) {
        value = static_cast<double>(whole);
    } else {
        // from_chars is locale-independent and rounds correctly; it rejects a trailing "." only
        // in the sense that it stops before it, which is what we want.
        const char* last = fractionDigits > 0 ? p : wholeEnd;
        auto [ptr, ec] = std::from_chars(start, last, value, std::chars_format::fixed);
        if (ec == std::errc::result_out_of_range) {
            // Hundreds of digits: too large or too small for a double. Clamp instead of failing,
            // the text stays a number either way.
            bool nonzeroWhole = false;
            for (const char* q = start; q != wholeEnd; ++q)
                nonzeroWhole |= *q != '0';
            value = nonzeroWhole ? std::numeric_limits<double>::max() : 0.0;
        } else if (ec != std::errc()) {
            value = 0.0;
        }
    }
    if (negative)
        value = -value;
    return value == 0 ? 0.0 : value;
}

std::string decimalText(double value) {
    if (std::isnan(value))
        return std::string();
    if (value == 0)
        return "0";
    // Nothing the parsers produce is infinite; keep the text a readable number all the same.
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<double>::max(), value);
    char buf[400];
    const bool big = std::fabs(value) >= 1e15;
    auto [ptr, ec] =
        big ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific)
            : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc())
        return "0";
    std::string out(buf, ptr);
    for (char& c : out) {
        if (c == '.')
            c = ',';
        if (c == 'e')
            c = 'E';
    }
    return out;
}

double Speed::value() const {
    if (empty())
        return 0.0;
    // Integral values below 1e15 print without comma or exponent, so the text's leading number
    // is the value itself; only the rare fractional or huge values need the text.
    if (std::fabs(v_) < 1e15 && v_ == std::trunc(v_))
        return v_;
    return leadingNumber(text());
}

}  // namespace korvala
