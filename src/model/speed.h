#pragma once
// The speed of a record is text in the program's files and views ("47", "47,5"), but every text
// the program stores is the shortest decimal form of a number with a decimal comma, or empty.
// Speed keeps the number and makes the text on demand, which keeps a record small.

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace korvala {

// The leading number of a field: blanks skipped, optional sign, digits, optional "." and digits.
// A field without a number yields 0 (never a failure).
double leadingNumber(std::string_view field);

// Shortest decimal text of a number with a decimal comma ("45", "47,5", "0"); -0 reads "0".
// Magnitudes of 1e15 and above use an exponent ("1E+30").
std::string decimalText(double value);

class Speed {
  public:
    Speed() = default;  // empty text
    static Speed fromNumber(double v) { return Speed(v == 0 ? 0.0 : v); }
    // The record-parser rule: the leading number of the field, kept as its decimal text.
    static Speed fromField(std::string_view field) { return fromNumber(leadingNumber(field)); }

    bool empty() const { return std::isnan(v_); }
    // The speed text exactly as the program shows and writes it ("" when empty).
    std::string text() const { return empty() ? std::string() : decimalText(v_); }
    // The speed value: the leading number of the text ("." is the only decimal point there, so a
    // fractional text such as "47,5" counts as 47). Empty counts as 0.
    double value() const;
    // The number the text was made from (NaN when empty).
    double number() const { return v_; }

    friend bool operator==(const Speed& a, const Speed& b) {
        return (a.empty() && b.empty()) || a.v_ == b.v_;
    }

  private:
    explicit Speed(double v) : v_(v) {}
    double v_ = std::numeric_limits<double>::quiet_NaN();
};

}  // namespace korvala
