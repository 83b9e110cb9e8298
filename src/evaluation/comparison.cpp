#include "evaluation/comparison.h"

#include <algorithm>

namespace korvala {

namespace {

// A share means nothing without vehicles; leaving it empty keeps a day without traffic from
// reading as "0 % too fast".
std::optional<double> shareIfAny(std::int64_t vehicles, double share) {
    return vehicles > 0 ? std::optional<double>(share) : std::nullopt;
}

struct Side {
    std::optional<double> vehicles, v50, v85, shareOver;
    std::array<std::optional<double>, kExceedanceBands> bands{};
};

Side sideOf(const SpeedProfile& speeds, const Exceedance& e) {
    Side s;
    s.vehicles = static_cast<double>(speeds.vehicles);
    s.v50 = speeds.v50;
    s.v85 = speeds.v85;
    s.shareOver = shareIfAny(speeds.vehicles, e.share);
    for (int b = 0; b < kExceedanceBands; ++b)
        s.bands[b] = shareIfAny(speeds.vehicles, e.bands[b].share);
    return s;
}

ComparedFigures combine(const std::optional<Side>& before, const std::optional<Side>& after) {
    const Side none;
    const Side& b = before ? *before : none;
    const Side& a = after ? *after : none;
    ComparedFigures f;
    f.vehicles = {b.vehicles, a.vehicles};
    f.v50 = {b.v50, a.v50};
    f.v85 = {b.v85, a.v85};
    f.shareOver = {b.shareOver, a.shareOver};
    for (int i = 0; i < kExceedanceBands; ++i)
        f.bandShares[i] = {b.bands[i], a.bands[i]};
    return f;
}

const DayAnalysis* findDay(const Analysis& a, int day) {
    for (const DayAnalysis& d : a.days)
        if (d.day == day)
            return &d;
    return nullptr;
}

}  // namespace

double SpeedClasses::share(int cls) const {
    if (vehicles <= 0 || cls < 0 || cls >= kSpeedClassCount)
        return 0;
    return static_cast<double>(counts[cls]) / static_cast<double>(vehicles);
}

SpeedClasses speedClassesOf(const DayTables& days) {
    SpeedClasses c;
    for (const Table& day : days) {
        for (const Measurement& m : day) {
            const double v = m.speed.value();
            if (!(v > 0))
                continue;
            ++c.vehicles;
            if (v < 10.0 * kSpeedClassCount)
                ++c.counts[static_cast<int>(v / 10)];
        }
    }
    return c;
}

MeasurementFigures figuresOf(const DayTables& days, const AnalysisInput& input) {
    return {analyze(days, input), speedClassesOf(days)};
}

std::optional<double> ComparedFigure::difference() const {
    if (!before || !after)
        return std::nullopt;
    return *after - *before;
}

std::optional<Comparison> compare(const MeasurementFigures& before,
                                  const MeasurementFigures& after) {
    const Analysis& b = before.analysis;
    const Analysis& a = after.analysis;
    if (b.limit != a.limit)
        return std::nullopt;

    Comparison c;
    c.limit = b.limit;
    c.whole = combine(sideOf(b.speeds, b.exceedance), sideOf(a.speeds, a.exceedance));
    c.averageDaily = {b.averageDaily, a.averageDaily};

    int lastDay = 0;
    for (const Analysis* x : {&b, &a})
        if (!x->days.empty())
            lastDay = std::max(lastDay, x->days.back().day);
    for (int day = 1; day <= lastDay; ++day) {
        const DayAnalysis* db = findDay(b, day);
        const DayAnalysis* da = findDay(a, day);
        ComparedDay cd;
        cd.day = day;
        std::optional<Side> sb, sa;
        if (db) {
            cd.weekdayBefore = db->weekday;
            sb = sideOf(db->speeds, db->exceedance);
        }
        if (da) {
            cd.weekdayAfter = da->weekday;
            sa = sideOf(da->speeds, da->exceedance);
        }
        cd.figures = combine(sb, sa);
        c.days.push_back(cd);
    }

    int lo = kSpeedClassCount, hi = -1;
    for (int j = 0; j < kSpeedClassCount; ++j) {
        if (before.classes.counts[j] > 0 || after.classes.counts[j] > 0) {
            lo = std::min(lo, j);
            hi = j;
        }
    }
    for (int j = lo; j <= hi; ++j) {
        ComparedClass cc;
        cc.from = 10 * j;
        if (before.classes.vehicles > 0)
            cc.share.before = before.classes.share(j);
        if (after.classes.vehicles > 0)
            cc.share.after = after.classes.share(j);
        c.classes.push_back(cc);
    }
    return c;
}

}  // namespace korvala
