#include "output/figure_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "model/speed.h"

namespace korvala {

namespace {

constexpr std::string_view kMinus = "−";

std::string noValue() {
    return std::string(kNoValue);
}

// `text` followed by its unit, or the dash alone: a missing value has no unit.
std::string withUnit(std::string text, std::string_view unit) {
    if (text == kNoValue || unit.empty())
        return text;
    return text + ' ' + std::string(unit);
}

// Digits of |value| with `decimals` places, correctly rounded (an exact half to even), or
// nothing when they do not fit.
std::optional<std::string> plainDigits(double value, int decimals) {
    std::array<char, 400> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return std::nullopt;
    return std::string(buf.data(), end);
}

// Whether `value` lies exactly halfway between two numbers of `decimals` places. Such a value is
// m / 2^(decimals+1) for an odd m, so it has at most decimals+1 places, the last of them a 5.
bool exactHalf(double value, int decimals) {
    const double scaled = std::ldexp(value, decimals + 1);  // exact: a power of two
    if (scaled != std::trunc(scaled))
        return false;
    const auto digits = plainDigits(value, decimals + 1);
    return digits && digits->back() == '5';
}

std::string fileNameOf(std::string_view path) {
    return std::filesystem::path(std::string(path)).filename().string();
}

std::string partialDayLine(std::string_view caption, const PartialDay& p) {
    std::string line = std::string(caption) + " (Tag " + std::to_string(p.day) + "): ";
    if (p.firstHour && p.lastHour)
        line +=
            "Fahrzeuge von " + hourText(*p.firstHour) + ":00 bis " + hourText(*p.lastHour) + ":59";
    else
        line += "keine Fahrzeuge";
    return line + (p.partial ? ", unvollständig" : ", vollständig");
}

}  // namespace

// ---- numbers ---------------------------------------------------------------------------------

std::string decimalFixed(double value, int decimals) {
    if (!std::isfinite(value))
        return noValue();
    decimals = std::clamp(decimals, 0, 20);
    // The conversion rounds an exact half to even; a half goes away from zero here, so the
    // value is moved past it by the smallest step.
    if (exactHalf(value, decimals))
        value = std::nextafter(value, value > 0 ? std::numeric_limits<double>::infinity()
                                                : -std::numeric_limits<double>::infinity());
    std::optional<std::string> digits = plainDigits(value, decimals);
    if (!digits)
        return noValue();
    std::replace(digits->begin(), digits->end(), '.', ',');
    const bool zero = digits->find_first_not_of("0,") == std::string::npos;
    return value < 0 && !zero ? std::string(kMinus) + *digits : *digits;
}

std::string decimalFixed(const std::optional<double>& value, int decimals) {
    return value ? decimalFixed(*value, decimals) : noValue();
}

std::string percentText(double share) {
    return withUnit(decimalFixed(share * 100.0, 1), "%");
}

std::string percentText(const std::optional<double>& share) {
    return share ? percentText(*share) : noValue();
}

std::string speedText(const std::optional<double>& kmh) {
    return kmh && std::isfinite(*kmh) ? decimalText(*kmh) : noValue();
}

std::string speedUnitText(const std::optional<double>& kmh) {
    return withUnit(speedText(kmh), "km/h");
}

std::string speedFixedUnitText(const std::optional<double>& kmh) {
    return withUnit(decimalFixed(kmh, 1), "km/h");
}

std::string differenceText(const std::optional<double>& difference, int decimals,
                           std::string_view unit) {
    if (!difference || !std::isfinite(*difference))
        return noValue();
    std::string text = decimalFixed(std::fabs(*difference), decimals);
    if (text != decimalFixed(0.0, decimals))
        text = std::string(*difference > 0 ? "+" : kMinus) + text;
    return withUnit(text, unit);
}

std::string limitText(int limit) {
    return std::to_string(limit) + " km/h";
}

// ---- times of day ----------------------------------------------------------------------------

std::string clockText(int secondOfDay) {
    return Timestamp::fromSeconds(secondOfDay).timeText();
}

std::string clockText(const std::optional<int>& secondOfDay) {
    return secondOfDay ? clockText(*secondOfDay) : noValue();
}

std::string hourMinuteText(int secondOfDay) {
    return Timestamp::fromSeconds(secondOfDay).hourMinuteText();
}

std::string hourText(int hour) {
    return std::string{static_cast<char>('0' + hour / 10 % 10), static_cast<char>('0' + hour % 10)};
}

std::string clockSpanText(int from, int to) {
    return clockText(from) + "–" + clockText(to);
}

std::string hourSpanText(int hour) {
    return hourText(hour) + ":00–" + hourText(hour + 1) + ":00";
}

// ---- days ------------------------------------------------------------------------------------

std::string weekdayText(const std::optional<int>& weekday) {
    if (!weekday || *weekday < 0 || *weekday >= static_cast<int>(kWeekdayNames.size()))
        return noValue();
    return std::string(kWeekdayNames[static_cast<std::size_t>(*weekday)]);
}

std::string weekdayShortText(const std::optional<int>& weekday) {
    const std::string name = weekdayText(weekday);
    return name == kNoValue ? name : name.substr(0, 2);
}

std::optional<Timestamp> measurementDayDate(std::string_view startDate, int day) {
    const auto start = Timestamp::parseDate(startDate);
    if (!start)
        return std::nullopt;
    return Timestamp::fromDayAndTime(start->day() + day - 1, 0, 0, 0);
}

std::string measurementDayDateText(std::string_view startDate, int day) {
    const auto date = measurementDayDate(startDate, day);
    return date ? date->shortDateText() : noValue();
}

std::string dayListText(const std::vector<int>& days) {
    if (days.empty())
        return "keiner";
    std::string text;
    for (int d : days)
        text += (text.empty() ? "" : ", ") + std::to_string(d);
    return text;
}

// ---- vehicles --------------------------------------------------------------------------------

std::string vehiclesText(std::int64_t vehicles) {
    return std::to_string(vehicles) + (vehicles == 1 ? " Fahrzeug" : " Fahrzeuge");
}

std::string vehiclesAndShareText(std::int64_t vehicles, double share) {
    return vehiclesText(vehicles) + " (" + percentText(share) + ")";
}

std::string exceedanceShareText(const SpeedProfile& speeds, const Exceedance& exceedance) {
    return speeds.vehicles > 0 ? percentText(exceedance.share) : noValue();
}

std::string perDayText(const std::optional<double>& vehiclesPerDay) {
    return withUnit(decimalFixed(vehiclesPerDay, 1), "Fahrzeuge/Tag");
}

// ---- captions of the analysis ----------------------------------------------------------------

std::string verdictLabel(Verdict verdict) {
    return verdict == Verdict::None ? noValue() : std::string(verdictText(verdict));
}

std::string bandCaption(const ExceedanceBand& band) {
    return std::string(band.label) + " km/h";
}

std::string paceText(const std::optional<Pace>& pace) {
    if (!pace)
        return noValue();
    return decimalText(pace->from) + " bis unter " + decimalText(pace->from + 10) + " km/h";
}

std::string speedClassText(int from) {
    return std::to_string(from) + "–" + std::to_string(from + 9);
}

std::string peakHourText(const Analysis& analysis) {
    if (!analysis.peakHour)
        return noValue();
    const PeakHour& peak = *analysis.peakHour;
    std::string day = "Tag " + std::to_string(peak.day);
    for (const DayAnalysis& d : analysis.days)
        if (d.day == peak.day && d.weekday)
            day += " (" + weekdayText(d.weekday) + ")";
    return day + ", " + hourSpanText(peak.hour) + ", " + vehiclesText(peak.vehicles);
}

// ---- sentences the faces share ---------------------------------------------------------------

std::vector<std::string> weekSummaryLines(const Analysis& analysis) {
    const std::string daily = analysis.averageDaily
                                  ? perDayText(analysis.averageDaily) + " (vollständige Tage: " +
                                        dayListText(analysis.completeDays) + ")"
                                  : std::string("kein vollständiger Tag");
    return {"Durchschnittlicher Tagesverkehr: " + daily,
            "Werktage (Mo–Fr): " + perDayText(analysis.averageWeekday) +
                "; Wochenende (Sa/So): " + perDayText(analysis.averageWeekend),
            "Spitzenstunde: " + peakHourText(analysis)};
}

std::vector<std::string> dataQualityLines(const DataQuality& quality) {
    std::vector<std::string> lines = {
        "Entfernte Duplikate: " + std::to_string(quality.duplicatesDropped),
        "Abgewiesene Datenzeilen: " + std::to_string(quality.linesRejected)};
    if (quality.firstDay)
        lines.push_back(partialDayLine("Erster Tag", *quality.firstDay));
    if (quality.lastDay)
        lines.push_back(partialDayLine("Letzter Tag", *quality.lastDay));
    return lines;
}

std::string gapsHeading() {
    return "Lücken von mindestens " + std::to_string(kMinGapSeconds / 60) + " Minuten zwischen " +
           hourMinuteText(kGapWindowFrom) + " und " + hourMinuteText(kGapWindowTo);
}

std::string dayGapsText(const DayAnalysis& day) {
    std::string text = "Tag " + std::to_string(day.day) + ": ";
    for (std::size_t i = 0; i < day.gaps.size(); ++i)
        text += (i ? ", " : "") + clockSpanText(day.gaps[i].from, day.gaps[i].to);
    return text;
}

std::string implausibleHeading(std::int64_t count) {
    return "Unplausible Geschwindigkeiten (unter " + decimalText(kImplausibleBelow) + " oder ab " +
           decimalText(kImplausibleFrom) + " km/h): " + std::to_string(count);
}

std::string implausibleCapText(const DataQuality& quality) {
    const auto listed = static_cast<std::int64_t>(quality.implausible.size());
    if (quality.implausibleCount <= listed)
        return {};
    return "(nur die ersten " + std::to_string(listed) + " aufgeführt)";
}

// ---- the comparison --------------------------------------------------------------------------

ComparedTexts comparedTexts(const ComparedFigure& figure, ComparedKind kind, bool withUnits) {
    const std::optional<double> difference = figure.difference();
    switch (kind) {
        case ComparedKind::Vehicles:
            return {decimalFixed(figure.before, 0), decimalFixed(figure.after, 0),
                    differenceText(difference, 0)};
        case ComparedKind::DailyTraffic:
            return {decimalFixed(figure.before, 1), decimalFixed(figure.after, 1),
                    differenceText(difference, 1)};
        case ComparedKind::Speed:
            if (withUnits)
                return {speedUnitText(figure.before), speedUnitText(figure.after),
                        differenceText(difference, 1, "km/h")};
            return {speedText(figure.before), speedText(figure.after),
                    differenceText(difference, 1)};
        case ComparedKind::Share:
            break;
    }
    auto points = [](const std::optional<double>& share) {
        return share ? std::optional<double>(*share * 100) : std::nullopt;
    };
    if (withUnits)
        return {percentText(figure.before), percentText(figure.after),
                differenceText(points(difference), 1, "Pp.")};
    return {decimalFixed(points(figure.before), 1), decimalFixed(points(figure.after), 1),
            differenceText(points(difference), 1)};
}

std::string comparedDayCaption(const ComparedDay& day) {
    return std::to_string(day.day) + ' ' + weekdayShortText(day.weekdayBefore) + '/' +
           weekdayShortText(day.weekdayAfter);
}

std::vector<ComparedRow> comparedWholeRows(const Comparison& comparison, const Analysis& before) {
    const ComparedFigures& whole = comparison.whole;
    auto row = [](std::string caption, const ComparedFigure& figure, ComparedKind kind) {
        return ComparedRow{std::move(caption), comparedTexts(figure, kind, true)};
    };
    std::vector<ComparedRow> rows = {
        row("Fahrzeuge", whole.vehicles, ComparedKind::Vehicles),
        row("Durchschnittlicher Tagesverkehr", comparison.averageDaily, ComparedKind::DailyTraffic),
        row("v50", whole.v50, ComparedKind::Speed), row("v85", whole.v85, ComparedKind::Speed),
        row("Anteil über " + limitText(comparison.limit), whole.shareOver, ComparedKind::Share)};
    for (std::size_t b = 0; b < kExceedanceBands; ++b)
        rows.push_back(row("   " + bandCaption(before.exceedance.bands[b]), whole.bandShares[b],
                           ComparedKind::Share));
    return rows;
}

std::vector<std::string> comparedDayCells(const ComparedDay& day) {
    std::vector<std::string> cells = {comparedDayCaption(day)};
    auto put = [&cells](const ComparedFigure& figure, ComparedKind kind) {
        ComparedTexts texts = comparedTexts(figure, kind, false);
        cells.push_back(std::move(texts.before));
        cells.push_back(std::move(texts.after));
        cells.push_back(std::move(texts.difference));
    };
    put(day.figures.vehicles, ComparedKind::Vehicles);
    put(day.figures.v50, ComparedKind::Speed);
    put(day.figures.v85, ComparedKind::Speed);
    put(day.figures.shareOver, ComparedKind::Share);
    return cells;
}

std::array<std::string, 2> comparisonSourceLines(std::string_view beforeFile,
                                                 std::string_view afterFile) {
    auto side = [](std::string_view caption, std::string_view file, std::string_view fallback) {
        return std::string(caption) + ": " +
               (file.empty() ? std::string(fallback) : fileNameOf(file));
    };
    return {side(kBeforeCaption, beforeFile, "aktuelle Messung"),
            side(kAfterCaption, afterFile, "Vergleichsmessung")};
}

std::string comparisonRuleText(int limit) {
    return std::string(kRuleDifference) + "; zulässig " + std::to_string(limit) + " km/h.";
}

}  // namespace korvala
