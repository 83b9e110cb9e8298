#pragma once
// The figures of an analysis as people read them, in German notation whatever the machine's
// locale: the Analyse page, the comparison, the PDF report and korvala-cli all write their
// numbers, times, names and shared sentences through these functions, so a figure reads the same
// on every face. Layout (indentation, columns, units in headers) stays with each face.
//
// One rule for a value that is not there: an empty optional or a number that is not finite is
// written as the en dash kNoValue.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/analysis.h"
#include "evaluation/comparison.h"
#include "model/timestamp.h"

namespace korvala {

inline constexpr std::string_view kNoValue = "–";

// ---- numbers ---------------------------------------------------------------------------------

// Decimal comma with exactly `decimals` places, rounded to nearest with an exact half away from
// zero ("2,5" → "3" with none); a negative value carries the minus sign U+2212 unless it rounds
// to zero.
std::string decimalFixed(double value, int decimals);
std::string decimalFixed(const std::optional<double>& value, int decimals);
// A share 0..1 as percent with one place: "12,3 %".
std::string percentText(double share);
std::string percentText(const std::optional<double>& share);
// A speed as the shortest decimal text ("47", "47,5"), without and with " km/h".
std::string speedText(const std::optional<double>& kmh);
std::string speedUnitText(const std::optional<double>& kmh);
// A computed speed (mean, deviation) with one place and " km/h": "48,3 km/h".
std::string speedFixedUnitText(const std::optional<double>& kmh);
// A difference carries its sign ("+", U+2212), so a drop cannot be read as a rise; one that
// rounds to zero stays unsigned. `unit` follows after a blank when given.
std::string differenceText(const std::optional<double>& difference, int decimals,
                           std::string_view unit = {});
// The speed limit: "50 km/h".
std::string limitText(int limit);

// ---- times of day ----------------------------------------------------------------------------

// A time of day given in seconds: "hh:mm:ss" and "hh:mm".
std::string clockText(int secondOfDay);
std::string clockText(const std::optional<int>& secondOfDay);
std::string hourMinuteText(int secondOfDay);
// A clock hour with two digits: "08".
std::string hourText(int hour);
// From one time to another: "07:30:00–09:30:00".
std::string clockSpanText(int from, int to);
// The clock hour h (0..23) as a span to the next: "17:00–18:00", the last "23:00–24:00".
std::string hourSpanText(int hour);

// ---- days ------------------------------------------------------------------------------------

// Weekday 0 = Monday .. 6 = Sunday: "Montag" and "Mo".
std::string weekdayText(const std::optional<int>& weekday);
std::string weekdayShortText(const std::optional<int>& weekday);
// The calendar date of measurement day `day` (1..7) of a measurement begun on `startDate`
// ("dd.mm.yy"); empty when the start date cannot be read.
std::optional<Timestamp> measurementDayDate(std::string_view startDate, int day);
// That date as "dd.mm.yy".
std::string measurementDayDateText(std::string_view startDate, int day);
// Day numbers separated by commas: "2, 3, 4"; "keiner" for none.
std::string dayListText(const std::vector<int>& days);

// ---- vehicles --------------------------------------------------------------------------------

// "1 Fahrzeug", "28 Fahrzeuge".
std::string vehiclesText(std::int64_t vehicles);
// "5 Fahrzeuge (17,9 %)".
std::string vehiclesAndShareText(std::int64_t vehicles, double share);
// The share of vehicles over the limit; without any vehicle there is no share to speak of.
std::string exceedanceShareText(const SpeedProfile& speeds, const Exceedance& exceedance);
// Vehicles per day: "507,8 Fahrzeuge/Tag".
std::string perDayText(const std::optional<double>& vehiclesPerDay);

// ---- captions of the analysis ----------------------------------------------------------------

// "auffällig" and its siblings, the dash for no verdict.
std::string verdictLabel(Verdict verdict);
// An exceedance band: "+1–5 km/h".
std::string bandCaption(const ExceedanceBand& band);
// The pace band: "43 bis unter 53 km/h".
std::string paceText(const std::optional<Pace>& pace);
// A 10-km/h class by its lower end: "30–39".
std::string speedClassText(int from);
// The busiest hour: "Tag 1 (Donnerstag), 08:00–09:00, 20 Fahrzeuge" (the weekday when known).
std::string peakHourText(const Analysis& analysis);

// ---- sentences the faces share ---------------------------------------------------------------

// The rules behind the figures, in the order they are listed.
inline constexpr std::array<std::string_view, 9> kRuleTexts = {
    kRulePercentiles, kRuleV85,      kRuleStdDev, kRulePace,       kRuleExceedance,
    kRuleVerdict,     kRuleComplete, kRuleGaps,   kRuleImplausible};

// Below the week: the average daily traffic with its complete days, the means of weekdays and
// weekend, and the peak hour, one sentence each.
std::vector<std::string> weekSummaryLines(const Analysis& analysis);
// The opening lines of the data quality: duplicates, rejected lines, first and last day.
std::vector<std::string> dataQualityLines(const DataQuality& quality);
// "Lücken von mindestens 60 Minuten zwischen 06:00 und 22:00", without colon.
std::string gapsHeading();
// The gaps of one day: "Tag 1: 07:30:00–09:30:00, 13:00:00–14:10:00".
std::string dayGapsText(const DayAnalysis& day);
// "Unplausible Geschwindigkeiten (unter 5 oder ab 200 km/h): 2".
std::string implausibleHeading(std::int64_t count);
// "(nur die ersten 100 aufgeführt)" when the analysis kept fewer than it counted, else empty.
std::string implausibleCapText(const DataQuality& quality);
inline constexpr std::string_view kTopSpeedsHeading = "Die höchsten Geschwindigkeiten";

// ---- the comparison --------------------------------------------------------------------------

enum class ComparedKind { Vehicles, DailyTraffic, Speed, Share };

// One compared figure as its three cells. With units, speeds read "56 km/h" and differences
// "−4,0 km/h", shares "50,0 %" and differences "−30,0 Pp."; without, the numbers alone.
struct ComparedTexts {
    std::string before, after, difference;
};
ComparedTexts comparedTexts(const ComparedFigure& figure, ComparedKind kind, bool withUnits);
// Day n of both sides with their weekdays: "1 Do/Do".
std::string comparedDayCaption(const ComparedDay& day);
// The rows of the whole measurement, with units: vehicles, average daily traffic, v50, v85, the
// share over the limit and, indented, the exceedance bands of `before` (the Vorher analysis).
struct ComparedRow {
    std::string caption;
    ComparedTexts texts;
};
std::vector<ComparedRow> comparedWholeRows(const Comparison& comparison, const Analysis& before);
// One day as a table row under headers that carry the units: the caption, then vehicles, v50,
// v85 and the share over the limit, each as Vorher, Nachher and difference.
std::vector<std::string> comparedDayCells(const ComparedDay& day);
// "Vorher: nord.log" and "Nachher: sued.log": file names without folder, or what the side is
// when it has no file.
std::array<std::string, 2> comparisonSourceLines(std::string_view beforeFile,
                                                 std::string_view afterFile);
// The rule of the differences with the limit compared at.
std::string comparisonRuleText(int limit);

}  // namespace korvala
