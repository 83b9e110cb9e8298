#pragma once
// The measuring device and the program's own files carry times of day, sometimes with a date.
// The value is kept as whole seconds since 30.12.1899 00:00:00 (the day count of the classic
// desktop date type times 86400), so comparisons are exact and cheap. Text forms follow German
// conventions regardless of the machine's locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvala {

class Timestamp {
  public:
    static constexpr std::int64_t kSecondsPerDay = 86400;

    constexpr Timestamp() = default;
    static constexpr Timestamp fromSeconds(std::int64_t s) { return Timestamp(s); }
    // day 0 is 30.12.1899; hh:mm:ss within that day.
    static constexpr Timestamp fromDayAndTime(std::int64_t day, int h, int m, int s) {
        return Timestamp(day * kSecondsPerDay + h * 3600 + m * 60 + s);
    }

    constexpr std::int64_t seconds() const { return secs_; }
    constexpr bool isZero() const { return secs_ == 0; }
    // Day count (floor) and seconds within the day, so negative values still have a 0..23 hour.
    constexpr std::int64_t day() const {
        return secs_ >= 0 ? secs_ / kSecondsPerDay
                          : -((-secs_ + kSecondsPerDay - 1) / kSecondsPerDay);
    }
    constexpr int secondOfDay() const { return static_cast<int>(secs_ - day() * kSecondsPerDay); }
    constexpr int hour() const { return secondOfDay() / 3600; }
    constexpr int minute() const { return secondOfDay() / 60 % 60; }
    constexpr int second() const { return secondOfDay() % 60; }
    constexpr bool hasDate() const { return day() != 0; }

    // Calendar date of the day part (year, month, day).
    void date(int& year, int& month, int& dayOfMonth) const;

    // "hh:mm:ss" of the time of day.
    std::string timeText() const;
    // "hh:mm" of the time of day.
    std::string hourMinuteText() const;
    // "dd.mm.yy" of the date part.
    std::string shortDateText() const;
    // The general text form: "hh:mm:ss" when the date part is 0, "dd.mm.yyyy" when the time part
    // is 0, otherwise "dd.mm.yyyy hh:mm:ss".
    std::string generalText() const;

    // Parses "h:mm[:ss]", "d.m.yy[yy]" or "d.m.yy[yy] h:mm[:ss]", surrounded by optional blanks.
    // Two-digit years 00..29 are 2000..2029, 30..99 are 1930..1999.
    static std::optional<Timestamp> parse(std::string_view text);
    // Parses a date only ("d.m.yy" or "d.m.yyyy", surrounding blanks allowed).
    static std::optional<Timestamp> parseDate(std::string_view text);

    friend constexpr bool operator==(Timestamp a, Timestamp b) = default;
    friend constexpr auto operator<=>(Timestamp a, Timestamp b) = default;

  private:
    constexpr explicit Timestamp(std::int64_t s) : secs_(s) {}
    std::int64_t secs_ = 0;
};

}  // namespace korvala
