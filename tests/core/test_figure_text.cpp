// The figure texts every face writes, as a table: what a reader sees for a value, and the one
// rule for a value that is not there.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "output/figure_text.h"

namespace korvala {
namespace {

struct Case {
    const char* name;
    std::function<std::string()> text;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += (out.empty() ? "" : " | ") + l;
    return out;
}

// The three cells of a compared figure, joined.
std::string cells(std::optional<double> before, std::optional<double> after, ComparedKind kind,
                  bool withUnits) {
    const ComparedTexts t = comparedTexts({before, after}, kind, withUnits);
    return t.before + " | " + t.after + " | " + t.difference;
}

std::string shareOver(std::int64_t vehicles, double share) {
    SpeedProfile p;
    p.vehicles = vehicles;
    Exceedance e;
    e.share = share;
    return exceedanceShareText(p, e);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Days 1 (Monday) and 2 (Tuesday); the peak hour is day 2, 17:00, one vehicle.
Analysis twoDays() {
    Analysis a;
    a.days.resize(2);
    a.days[0].day = 1;
    a.days[0].weekday = 0;
    a.days[1].day = 2;
    a.days[1].weekday = 1;
    a.peakHour = PeakHour{2, 17, 1};
    a.averageDaily = 12.25;
    a.completeDays = {1, 2};
    a.averageWeekday = 12.25;
    return a;
}

class FigureText : public ::testing::TestWithParam<Case> {};

TEST_P(FigureText, ReadsAsWritten) {
    EXPECT_EQ(GetParam().text(), GetParam().expected);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

const Case kNumbers[] = {
    // An exact half goes away from zero; 1,005 lies just below its half and goes down.
    {"HalfAwayFromZero", [] { return decimalFixed(48.25, 1); }, "48,3"},
    {"NegativeHalf", [] { return decimalFixed(-2.5, 0); }, "−3"},
    {"HalfAtTwoPlaces", [] { return decimalFixed(0.125, 2); }, "0,13"},
    {"BelowItsHalf", [] { return decimalFixed(1.005, 2); }, "1,00"},
    {"NegativeWithMinusSign", [] { return decimalFixed(-12.34, 1); }, "−12,3"},
    {"NegativeZeroIsUnsigned", [] { return decimalFixed(-0.04, 1); }, "0,0"},
    {"NoThousandsSeparator", [] { return decimalFixed(1234567.0, 1); }, "1234567,0"},
    // Whole numbers beyond the doubles' integer steps keep their digits.
    {"HugeWholeNumber", [] { return decimalFixed(9007199254740992.0, 0); }, "9007199254740992"},
    {"Percent", [] { return percentText(5.0 / 28); }, "17,9 %"},
    {"Speed", [] { return speedText(47.5); }, "47,5"},
    {"SpeedWhole", [] { return speedText(56.0); }, "56"},
    {"ComputedSpeed", [] { return speedFixedUnitText(52.666); }, "52,7 km/h"},
    {"DropSigned", [] { return differenceText(-4.0, 1, "km/h"); }, "−4,0 km/h"},
    {"RiseSigned", [] { return differenceText(3.3, 1, "Pp."); }, "+3,3 Pp."},
    {"RoundsToZeroUnsigned", [] { return differenceText(-0.04, 1); }, "0,0"},
};
INSTANTIATE_TEST_SUITE_P(Numbers, FigureText, ::testing::ValuesIn(kNumbers), caseName);

// One rule: an empty optional or a number that is not finite reads as the en dash, without unit.
const Case kMissing[] = {
    {"NaN", [] { return decimalFixed(kNaN, 1); }, "–"},
    {"Infinite", [] { return decimalFixed(-kInf, 0); }, "–"},
    {"EmptyDecimal", [] { return decimalFixed(std::nullopt, 1); }, "–"},
    {"EmptyPercent", [] { return percentText(std::nullopt); }, "–"},
    {"EmptySpeed", [] { return speedText(std::nullopt); }, "–"},
    {"NaNSpeedNoUnit", [] { return speedUnitText(kNaN); }, "–"},
    {"EmptyDifference", [] { return differenceText(std::nullopt, 1, "km/h"); }, "–"},
    {"InfiniteDifference", [] { return differenceText(kInf, 1); }, "–"},
    {"EmptyClock", [] { return clockText(std::optional<int>()); }, "–"},
    {"EmptyWeekday", [] { return weekdayText(std::nullopt); }, "–"},
    {"WeekdayOutOfRange", [] { return weekdayShortText(7); }, "–"},
    {"UnreadableStartDate", [] { return measurementDayDateText("kaputt", 1); }, "–"},
    {"EmptyPerDay", [] { return perDayText(kNaN); }, "–"},
    {"NoVerdict", [] { return verdictLabel(Verdict::None); }, "–"},
    {"NoPace", [] { return paceText(std::nullopt); }, "–"},
    {"NoPeakHour", [] { return peakHourText(Analysis{}); }, "–"},
    {"ShareWithoutVehicles", [] { return exceedanceShareText(SpeedProfile{}, Exceedance{}); }, "–"},
};
INSTANTIATE_TEST_SUITE_P(MissingValue, FigureText, ::testing::ValuesIn(kMissing), caseName);

const Case kTimesAndDays[] = {
    {"HourMinute", [] { return hourMinuteText(22 * 3600 + 5 * 60 + 59); }, "22:05"},
    {"Hour", [] { return hourText(7); }, "07"},
    {"ClockSpan", [] { return clockSpanText(27000, 34245); }, "07:30:00–09:30:45"},
    {"LastHourSpan", [] { return hourSpanText(23); }, "23:00–24:00"},
    {"ShortThursday", [] { return weekdayShortText(3); }, "Do"},
    {"DateOfDayAcrossTheYear", [] { return measurementDayDateText("28.12.25", 5); }, "01.01.26"},
    {"DayList",
     [] {
         return dayListText(std::vector{2, 3, 4});
     },
     "2, 3, 4"},
    {"NoDays", [] { return dayListText({}); }, "keiner"},
};
INSTANTIATE_TEST_SUITE_P(TimesAndDays, FigureText, ::testing::ValuesIn(kTimesAndDays), caseName);

const Case kVehicles[] = {
    {"One", [] { return vehiclesText(1); }, "1 Fahrzeug"},
    {"None", [] { return vehiclesText(0); }, "0 Fahrzeuge"},
    {"WithShare", [] { return vehiclesAndShareText(5, 5.0 / 28); }, "5 Fahrzeuge (17,9 %)"},
    {"ShareOverTheLimit", [] { return shareOver(28, 10.0 / 28); }, "35,7 %"},
    {"PerDay", [] { return perDayText(12.25); }, "12,3 Fahrzeuge/Tag"},
    {"Verdict", [] { return verdictLabel(Verdict::SlightlyRaised); }, "leicht erhöht"},
    {"Band",
     [] {
         ExceedanceBand b;
         b.label = "+1–5";
         return bandCaption(b);
     },
     "+1–5 km/h"},
    {"Pace", [] { return paceText(Pace(43, 10, 0.5)); }, "43 bis unter 53 km/h"},
    {"SpeedClass", [] { return speedClassText(30); }, "30–39"},
};
INSTANTIATE_TEST_SUITE_P(Vehicles, FigureText, ::testing::ValuesIn(kVehicles), caseName);

const Case kSentences[] = {
    {"PeakHourWithWeekday", [] { return peakHourText(twoDays()); },
     "Tag 2 (Dienstag), 17:00–18:00, 1 Fahrzeug"},
    {"PeakHourWithoutWeekday",
     [] {
         Analysis a = twoDays();
         a.days[1].weekday.reset();
         return peakHourText(a);
     },
     "Tag 2, 17:00–18:00, 1 Fahrzeug"},
    {"WeekSummary", [] { return joined(weekSummaryLines(twoDays())); },
     "Durchschnittlicher Tagesverkehr: 12,3 Fahrzeuge/Tag (vollständige Tage: 1, 2) | "
     "Werktage (Mo–Fr): 12,3 Fahrzeuge/Tag; Wochenende (Sa/So): – | "
     "Spitzenstunde: Tag 2 (Dienstag), 17:00–18:00, 1 Fahrzeug"},
    {"WeekSummaryWithoutCompleteDay", [] { return weekSummaryLines(Analysis{}).front(); },
     "Durchschnittlicher Tagesverkehr: kein vollständiger Tag"},
    {"DataQuality",
     [] {
         DataQuality q;
         q.duplicatesDropped = 2;
         q.linesRejected = 1;
         q.firstDay = PartialDay{1, 7, 10, true};
         q.lastDay = PartialDay{3, std::nullopt, std::nullopt, false};
         return joined(dataQualityLines(q));
     },
     "Entfernte Duplikate: 2 | Abgewiesene Datenzeilen: 1 | "
     "Erster Tag (Tag 1): Fahrzeuge von 07:00 bis 10:59, unvollständig | "
     "Letzter Tag (Tag 3): keine Fahrzeuge, vollständig"},
    {"DayGaps",
     [] {
         DayAnalysis d;
         d.day = 4;
         d.gaps = {{27000, 34200}, {50000, 54000}};
         return dayGapsText(d);
     },
     "Tag 4: 07:30:00–09:30:00, 13:53:20–15:00:00"},
    {"GapsHeading", [] { return gapsHeading(); },
     "Lücken von mindestens 60 Minuten zwischen 06:00 und 22:00"},
    {"ImplausibleHeading", [] { return implausibleHeading(2); },
     "Unplausible Geschwindigkeiten (unter 5 oder ab 200 km/h): 2"},
    {"ImplausibleCap",
     [] {
         DataQuality q;
         q.implausibleCount = 150;
         q.implausible.resize(100);
         return implausibleCapText(q);
     },
     "(nur die ersten 100 aufgeführt)"},
    {"ImplausibleAllListed", [] { return implausibleCapText(DataQuality{}); }, ""},
};
INSTANTIATE_TEST_SUITE_P(Sentences, FigureText, ::testing::ValuesIn(kSentences), caseName);

const Case kComparison[] = {
    {"Vehicles", [] { return cells(6.0, 5.0, ComparedKind::Vehicles, true); }, "6 | 5 | −1"},
    {"DailyTraffic", [] { return cells(2507.8, 2341.8, ComparedKind::DailyTraffic, true); },
     "2507,8 | 2341,8 | −166,0"},
    {"SpeedWithUnits", [] { return cells(70.0, 52.0, ComparedKind::Speed, true); },
     "70 km/h | 52 km/h | −18,0 km/h"},
    {"SpeedInADay", [] { return cells(70.0, 52.0, ComparedKind::Speed, false); },
     "70 | 52 | −18,0"},
    {"ShareWithUnits", [] { return cells(0.5, 0.2, ComparedKind::Share, true); },
     "50,0 % | 20,0 % | −30,0 Pp."},
    {"ShareInADay", [] { return cells(1.0 / 6, 0.2, ComparedKind::Share, false); },
     "16,7 | 20,0 | +3,3"},
    {"OneSideMissing", [] { return cells(0.5, std::nullopt, ComparedKind::Share, true); },
     "50,0 % | – | –"},
    {"DayCaption",
     [] { return comparedDayCaption(ComparedDay(3, 3, std::nullopt, ComparedFigures())); },
     "3 Do/–"},
    {"DayCells",
     [] {
         ComparedDay d{1, 3, 3, {}};
         d.figures.vehicles = {4.0, 4.0};
         d.figures.v85 = {70.0, 52.0};
         d.figures.shareOver = {0.5, 0.25};
         return joined(comparedDayCells(d));
     },
     "1 Do/Do | 4 | 4 | 0 | – | – | – | 70 | 52 | −18,0 | 50,0 | 25,0 | −25,0"},
    {"WholeRows",
     [] {
         Comparison c;
         c.limit = 30;
         Analysis before;
         before.exceedance.bands[4].label = "> +20";
         std::vector<std::string> captions;
         for (const ComparedRow& r : comparedWholeRows(c, before))
             captions.push_back(r.caption);
         return joined({captions[4], captions[9], std::to_string(captions.size())});
     },
     "Anteil über 30 km/h |    > +20 km/h | 10"},
    {"Sources",
     [] {
         const auto lines = comparisonSourceLines("/irgendwo/nord.log", "");
         return lines[0] + " | " + lines[1];
     },
     "Vorher: nord.log | Nachher: Vergleichsmessung"},
    {"Rule", [] { return comparisonRuleText(50); },
     std::string(kRuleDifference) + "; zulässig 50 km/h."},
};
INSTANTIATE_TEST_SUITE_P(Comparison, FigureText, ::testing::ValuesIn(kComparison), caseName);

// Each verdict colour carries the text colour its rule promises: white on green and red, black
// on yellow and on the grey of no verdict.
TEST(VerdictPalette, TextReadsOnEveryVerdictColour) {
    const Rgb white{0xff, 0xff, 0xff}, black{0, 0, 0};
    EXPECT_EQ(inkOn(verdictRgb(Verdict::Unremarkable)), white);
    EXPECT_EQ(inkOn(verdictRgb(Verdict::Remarkable)), white);
    EXPECT_EQ(inkOn(verdictRgb(Verdict::SlightlyRaised)), black);
    EXPECT_EQ(inkOn(verdictRgb(Verdict::None)), black);
}

}  // namespace
}  // namespace korvala
