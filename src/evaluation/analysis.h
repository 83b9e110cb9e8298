#pragma once
// Traffic-engineering figures of a whole measurement: percentile speeds, exceedance of the speed
// limit, the week at a glance, the hour-by-day heat map and the quality of the data. The input is
// the day tables of the last evaluation, so the figures always describe what the window shows;
// the result is plain data that the window, the report and korvala-cli turn into text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/measurement.h"

namespace korvala {

inline constexpr int kDefaultSpeedLimit = 50;
inline constexpr int kMinSpeedLimit = 5;
inline constexpr int kMaxSpeedLimit = 130;
inline constexpr bool speedLimitValid(int limit) {
    return limit >= kMinSpeedLimit && limit <= kMaxSpeedLimit;
}
// A limit as typed: whole km/h within the allowed range, blanks around it allowed.
std::optional<int> parseSpeedLimit(std::string_view text);
// Why `given` is no limit, for the command line.
std::string speedLimitErrorText(std::string_view given);

// Speeds below the first or from the second value on are reported as implausible.
inline constexpr double kImplausibleBelow = 5;
inline constexpr double kImplausibleFrom = 200;
// A heat-map cell shows its v85 only from this many vehicles on.
inline constexpr int kMinVehiclesForCellV85 = 10;
// Daytime window searched for gaps, in seconds of the day, and the shortest gap reported.
inline constexpr int kGapWindowFrom = 6 * 3600;
inline constexpr int kGapWindowTo = 22 * 3600;
inline constexpr int kMinGapSeconds = 3600;
inline constexpr std::size_t kImplausibleListCap = 100;
inline constexpr std::size_t kTopSpeedCount = 10;

// The rules as the page and the report state them, so readers can check every figure by hand.
inline constexpr std::string_view kRuleV85 =
    "v85: Geschwindigkeit, die 85 % der Fahrzeuge nicht überschreiten (Rang ⌈0,85·n⌉ der "
    "sortierten Geschwindigkeiten)";
inline constexpr std::string_view kRulePercentiles =
    "v15, v50, v85, v95: Geschwindigkeit am Rang ⌈p/100·n⌉ der aufsteigend sortierten "
    "Geschwindigkeiten (n Fahrzeuge)";
inline constexpr std::string_view kRuleStdDev =
    "Standardabweichung: Stichprobe (Division durch n − 1), erst ab 2 Fahrzeugen";
inline constexpr std::string_view kRulePace =
    "Pace: das 10-km/h-Band [a; a+10) mit den meisten Fahrzeugen; a ist eine gemessene "
    "Geschwindigkeit (abgerundet), bei Gleichstand zählt das niedrigere Band";
inline constexpr std::string_view kRuleExceedance =
    "Überschreitung: Geschwindigkeit größer als die zulässige Höchstgeschwindigkeit; Stufen nach "
    "dem Überschuss e: bis 5, über 5 bis 10, über 10 bis 15, über 15 bis 20, über 20 km/h";
inline constexpr std::string_view kRuleVerdict =
    "Bewertung nach v85: bis zur Höchstgeschwindigkeit unauffällig, bis 5 km/h darüber leicht "
    "erhöht, darüber auffällig";
inline constexpr std::string_view kRuleComplete =
    "Vollständiger Tag: Fahrzeuge in der Stunde 00 und in der Stunde 23";
inline constexpr std::string_view kRuleGaps =
    "Lücke: mindestens 60 Minuten ohne Fahrzeug zwischen 06:00 und 22:00, gemessen zwischen "
    "aufeinanderfolgenden Fahrzeugen und den Fensterrändern; vor dem ersten und nach dem letzten "
    "Fahrzeug der Messung wird nicht gesucht";
inline constexpr std::string_view kRuleImplausible =
    "Unplausibel: Geschwindigkeit unter 5 km/h oder ab 200 km/h";

// Weekday names, Monday first.
inline constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"};

// 0 = Monday .. 6 = Sunday of a day count since 30.12.1899 (a Saturday).
int weekdayOfDayCount(std::int64_t dayCount);
// Weekday (0 = Monday) of day `day` (1..7) of a measurement begun on `startDate` ("dd.mm.yy");
// empty when the start date cannot be read.
std::optional<int> weekdayOfMeasurementDay(std::string_view startDate, int day);

enum class Verdict { None, Unremarkable, SlightlyRaised, Remarkable };
std::string_view verdictText(Verdict v);   // "unauffällig", "leicht erhöht", "auffällig", ""
std::string_view verdictColor(Verdict v);  // "green", "yellow", "red", ""

// The one palette of the verdicts, for every face that paints them: the traffic-light colours a
// reader expects, dark enough to carry white text except yellow, which carries black. No verdict
// (no vehicles, or a heat-map hour too thin for a v85) is a light grey.
struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};
Rgb verdictRgb(Verdict v);
// Black or white, whichever reads on `background` (relative luminance with the usual weights).
Rgb inkOn(Rgb background);
// The verdict of a v85 against the limit.
Verdict verdictFor(std::optional<double> v85, int limit);

struct Pace {
    double from = 0;  // the band is [from, from + 10)
    std::int64_t vehicles = 0;
    double share = 0;  // of all vehicles, 0..1
};

// Distribution figures of one set of vehicles. All optional figures are empty for n = 0.
struct SpeedProfile {
    std::int64_t vehicles = 0;
    std::optional<double> v15, v50, v85, v95;
    std::optional<double> mean;
    std::optional<double> stdDev;  // sample deviation; needs two vehicles
    std::optional<double> vmin, vmax;
    std::optional<Pace> pace;
};

struct ExceedanceBand {
    std::string_view label;  // "+1–5" .. "> +20"
    std::int64_t vehicles = 0;
    double share = 0;  // of all vehicles, 0..1
};

inline constexpr int kExceedanceBands = 5;

struct Exceedance {
    std::int64_t over = 0;  // vehicles faster than the limit
    double share = 0;       // of all vehicles, 0..1 (0 without vehicles)
    std::array<ExceedanceBand, kExceedanceBands> bands{};
    Verdict verdict = Verdict::None;
};

struct HourCell {
    std::int64_t vehicles = 0;
    std::optional<double> v85;  // only from kMinVehiclesForCellV85 vehicles on
};

struct Gap {
    int from = 0;  // seconds of the day, [from, to)
    int to = 0;
};

struct DayAnalysis {
    int day = 0;                 // 1..7
    std::optional<int> weekday;  // 0 = Monday; empty when the start date is unreadable
    SpeedProfile speeds;
    Exceedance exceedance;
    std::optional<int> firstVehicle, lastVehicle;  // seconds of the day
    bool complete = false;                         // vehicles in hour 00 and in hour 23
    std::array<HourCell, 24> hours{};
    std::vector<Gap> gaps;  // inside the daytime window
};

struct PeakHour {
    int day = 0;   // 1..7
    int hour = 0;  // 0..23, the hour hh:00-hh:59
    std::int64_t vehicles = 0;
};

struct SpeedEvent {
    int day = 0;     // 1..7
    int second = 0;  // seconds of the day
    double speed = 0;
};

struct PartialDay {
    int day = 0;
    std::optional<int> firstHour, lastHour;  // hours with vehicles; empty without vehicles
    bool partial = false;                    // not complete
};

struct DataQuality {
    std::int32_t duplicatesDropped = 0;
    int linesRejected = 0;
    std::optional<PartialDay> firstDay, lastDay;  // empty without days
    std::int64_t implausibleCount = 0;
    std::vector<SpeedEvent> implausible;  // in order of the measurement, at most the cap
    std::vector<SpeedEvent> topSpeeds;    // fastest first; equal speeds in order of time
};

struct AnalysisInput {
    int limit = kDefaultSpeedLimit;
    std::string startDate;  // "dd.mm.yy"
    std::int32_t duplicatesDropped = 0;
    int linesRejected = 0;
};

struct Analysis {
    int limit = kDefaultSpeedLimit;
    std::vector<DayAnalysis> days;  // day 1 up to the last day that holds records
    SpeedProfile speeds;            // the whole measurement
    Exceedance exceedance;
    std::vector<int> completeDays;         // day numbers counted for the daily average
    std::optional<double> averageDaily;    // over complete days
    std::optional<double> averageWeekday;  // complete days Monday..Friday
    std::optional<double> averageWeekend;  // complete days Saturday and Sunday
    std::optional<PeakHour> peakHour;
    DataQuality quality;
};

// Analyses the day tables of an evaluation (day 1 holds only vehicles, days 2..7 every record,
// each table closed by one empty record). Vehicles are records with a speed value above 0.
Analysis analyze(const DayTables& days, const AnalysisInput& input);

// Rank (1-based) of the p-th percentile among n sorted speeds by the nearest-rank rule,
// ceil(p/100 * n), computed without rounding errors; 0 for n = 0.
std::int64_t nearestRank(std::int64_t n, int percent);

}  // namespace korvala
