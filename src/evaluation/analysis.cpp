#include "evaluation/analysis.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <memory>

#include "model/timestamp.h"

namespace korvala {

namespace {

constexpr std::array<int, 4> kPercents = {15, 50, 85, 95};

// Speed distribution of a set of vehicles. Device speeds are whole km/h almost always, so they are
// counted in bins and every figure walks a few hundred bins instead of sorting a million values;
// anything else (fractions, speeds far beyond any road) is kept aside and sorted once. The hour
// cells count in 32 bits to keep the 168 of them small.
template <class Count>
struct Distribution {
    static constexpr int kBins = 256;

    std::array<Count, kBins> bins{};
    std::vector<double> others;
    std::int64_t n = 0;

    void add(double v) {
        ++n;
        if (v >= 0 && v < kBins) {
            const int i = static_cast<int>(v);
            if (i == v) {
                ++bins[i];
                return;
            }
        }
        others.push_back(v);
    }

    void clear() {
        bins.fill(0);
        others.clear();
        n = 0;
    }

    // Must run after the last add(), before merging or walking.
    void finish() { std::sort(others.begin(), others.end()); }

    std::int64_t size() const { return n; }

    // Calls f(speed, count) for the speeds in ascending order.
    template <class F>
    void forEach(F&& f) const {
        std::size_t j = 0;
        for (int i = 0; i < kBins; ++i) {
            if (bins[i] == 0)
                continue;
            for (; j < others.size() && others[j] < i; ++j)
                f(others[j], std::int64_t{1});
            f(static_cast<double>(i), static_cast<std::int64_t>(bins[i]));
        }
        for (; j < others.size(); ++j)
            f(others[j], std::int64_t{1});
    }

    // The speed at the nearest rank of each percent in `percents` (ascending).
    template <std::size_t N>
    std::array<std::optional<double>, N> percentiles(const std::array<int, N>& percents) const {
        std::array<std::optional<double>, N> out{};
        if (n == 0)
            return out;
        std::array<std::int64_t, N> ranks{};
        for (std::size_t k = 0; k < N; ++k)
            ranks[k] = nearestRank(n, percents[k]);
        std::size_t next = 0;
        std::int64_t cumulative = 0;
        forEach([&](double v, std::int64_t count) {
            cumulative += count;
            for (; next < N && cumulative >= ranks[next]; ++next)
                out[next] = v;
        });
        return out;
    }
};

using Wide = Distribution<std::uint64_t>;
using Cell = Distribution<std::uint32_t>;

// One distribution of several finished ones. Their kept-aside speeds are sorted runs, merged
// pairwise so each speed moves about log2(runs) times instead of once per run.
template <class Part>
Wide combine(const Part* parts, std::size_t count) {
    Wide out;
    std::vector<std::size_t> bounds{0};
    std::size_t total = 0;
    for (std::size_t p = 0; p < count; ++p)
        total += parts[p].others.size();
    out.others.reserve(total);
    for (std::size_t p = 0; p < count; ++p) {
        out.n += parts[p].n;
        for (int i = 0; i < Wide::kBins; ++i)
            out.bins[i] += parts[p].bins[i];
        if (!parts[p].others.empty()) {
            out.others.insert(out.others.end(), parts[p].others.begin(), parts[p].others.end());
            bounds.push_back(out.others.size());
        }
    }
    auto at = [&](std::size_t k) { return out.others.begin() + static_cast<std::ptrdiff_t>(k); };
    while (bounds.size() > 2) {
        std::vector<std::size_t> next{0};
        for (std::size_t r = 0; r + 1 < bounds.size(); r += 2) {
            if (r + 2 < bounds.size()) {
                std::inplace_merge(at(bounds[r]), at(bounds[r + 1]), at(bounds[r + 2]));
                next.push_back(bounds[r + 2]);
            } else {
                next.push_back(bounds[r + 1]);
            }
        }
        bounds = std::move(next);
    }
    return out;
}

std::optional<Pace> paceOf(const Wide& dist) {
    if (dist.size() == 0)
        return std::nullopt;
    // A vehicle lies in [a, a+10) for a whole a exactly when its speed rounded down does, so the
    // band only needs the counts per whole km/h.
    std::vector<std::pair<double, std::int64_t>> floors;
    dist.forEach([&](double v, std::int64_t count) {
        const double f = std::floor(v);
        if (!floors.empty() && floors.back().first == f)
            floors.back().second += count;
        else
            floors.emplace_back(f, count);
    });
    Pace best;
    std::int64_t inBand = 0;
    std::size_t end = 0;
    for (std::size_t begin = 0; begin < floors.size(); ++begin) {
        for (; end < floors.size() && floors[end].first < floors[begin].first + 10; ++end)
            inBand += floors[end].second;
        if (inBand > best.vehicles) {  // strictly more: a tie keeps the lower band
            best.from = floors[begin].first;
            best.vehicles = inBand;
        }
        inBand -= floors[begin].second;
    }
    best.share = static_cast<double>(best.vehicles) / static_cast<double>(dist.size());
    return best;
}

SpeedProfile profileOf(const Wide& dist) {
    SpeedProfile p;
    p.vehicles = dist.size();
    if (p.vehicles == 0)
        return p;
    const auto pct = dist.percentiles(kPercents);
    p.v15 = pct[0];
    p.v50 = pct[1];
    p.v85 = pct[2];
    p.v95 = pct[3];
    double sum = 0;
    std::optional<double> lo, hi;
    dist.forEach([&](double v, std::int64_t count) {
        sum += v * static_cast<double>(count);
        if (!lo)
            lo = v;
        hi = v;
    });
    const double n = static_cast<double>(p.vehicles);
    const double mean = sum / n;
    p.mean = mean;
    p.vmin = lo;
    p.vmax = hi;
    if (p.vehicles >= 2) {
        // Second pass around the mean: no cancellation, and it costs one walk over the bins.
        double squares = 0;
        dist.forEach([&](double v, std::int64_t count) {
            squares += (v - mean) * (v - mean) * static_cast<double>(count);
        });
        p.stdDev = std::sqrt(squares / (n - 1));
    }
    p.pace = paceOf(dist);
    return p;
}

constexpr std::array<std::string_view, kExceedanceBands> kBandLabels = {"+1–5", "+6–10", "+11–15",
                                                                        "+16–20", "> +20"};

Exceedance exceedanceOf(const Wide& dist, int limit, std::optional<double> v85) {
    Exceedance e;
    for (int b = 0; b < kExceedanceBands; ++b)
        e.bands[b].label = kBandLabels[b];
    dist.forEach([&](double v, std::int64_t count) {
        const double excess = v - limit;
        if (!(excess > 0))
            return;
        e.over += count;
        const int band = excess <= 5    ? 0
                         : excess <= 10 ? 1
                         : excess <= 15 ? 2
                         : excess <= 20 ? 3
                                        : 4;
        e.bands[band].vehicles += count;
    });
    if (dist.size() > 0) {
        const double n = static_cast<double>(dist.size());
        e.share = static_cast<double>(e.over) / n;
        for (auto& band : e.bands)
            band.share = static_cast<double>(band.vehicles) / n;
    }
    e.verdict = verdictFor(v85, limit);
    return e;
}

bool holdsRecords(const Table& table) {
    return table.size() > 1 || (table.size() == 1 && !table[0].isEmpty());
}

struct RankedEvent {
    SpeedEvent event;
    std::int64_t order = 0;  // position in the measurement, for equal times
};

// Fastest first; equal speeds by day, time of day and position in the measurement.
bool ranksBefore(const RankedEvent& a, const RankedEvent& b) {
    if (a.event.speed != b.event.speed)
        return a.event.speed > b.event.speed;
    if (a.event.day != b.event.day)
        return a.event.day < b.event.day;
    if (a.event.second != b.event.second)
        return a.event.second < b.event.second;
    return a.order < b.order;
}

// The seconds of one day at which vehicles passed, one bit each: small enough to keep for every
// day, and empty stretches are skipped a word at a time.
class SecondSet {
  public:
    void insert(int s) { words_[s >> 6] |= std::uint64_t{1} << (s & 63); }

    // The first member in [from, to), or `to` when there is none.
    int next(int from, int to) const {
        if (from >= to)
            return to;
        std::size_t w = static_cast<std::size_t>(from) >> 6;
        std::uint64_t bits = words_[w] & (~std::uint64_t{0} << (from & 63));
        for (;;) {
            if (bits != 0)
                return std::min(static_cast<int>(w * 64) + std::countr_zero(bits), to);
            if (++w >= kWords || static_cast<int>(w * 64) >= to)
                return to;
            bits = words_[w];
        }
    }

  private:
    static constexpr std::size_t kWords = (Timestamp::kSecondsPerDay + 63) / 64;
    std::array<std::uint64_t, kWords> words_{};
};

// Gaps inside [from, to) of one day, measured from `from` to the first vehicle, between vehicles
// and from the last vehicle to `to`.
std::vector<Gap> gapsIn(const SecondSet& seconds, int from, int to) {
    std::vector<Gap> gaps;
    if (from >= to)
        return gaps;
    int previous = from;
    for (int s = seconds.next(from, to); s < to; s = seconds.next(s + 1, to)) {
        if (s - previous >= kMinGapSeconds)
            gaps.push_back({previous, s});
        previous = s;
    }
    if (to - previous >= kMinGapSeconds)
        gaps.push_back({previous, to});
    return gaps;
}

}  // namespace

std::int64_t nearestRank(std::int64_t n, int percent) {
    if (n <= 0)
        return 0;
    // ceil(percent * n / 100) in integers: 0.85 * n in floating point can land a hair above a
    // whole number and push the rank one too far.
    const std::int64_t rank = (static_cast<std::int64_t>(percent) * n + 99) / 100;
    return std::clamp<std::int64_t>(rank, 1, n);
}

int weekdayOfDayCount(std::int64_t dayCount) {
    // Day 0 (30.12.1899) was a Saturday, index 5 when Monday is 0.
    const std::int64_t r = (dayCount + 5) % 7;
    return static_cast<int>(r < 0 ? r + 7 : r);
}

std::optional<int> weekdayOfMeasurementDay(std::string_view startDate, int day) {
    const auto start = Timestamp::parseDate(startDate);
    if (!start)
        return std::nullopt;
    return weekdayOfDayCount(start->day() + day - 1);
}

std::string_view verdictText(Verdict v) {
    switch (v) {
        case Verdict::Unremarkable:
            return "unauffällig";
        case Verdict::SlightlyRaised:
            return "leicht erhöht";
        case Verdict::Remarkable:
            return "auffällig";
        case Verdict::None:
            break;
    }
    return "";
}

std::optional<int> parseSpeedLimit(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int limit = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, limit);
    if (text.empty() || ec != std::errc() || ptr != end || !speedLimitValid(limit))
        return std::nullopt;
    return limit;
}

std::string speedLimitErrorText(std::string_view given) {
    return "Die zulässige Höchstgeschwindigkeit muss eine ganze Zahl von " +
           std::to_string(kMinSpeedLimit) + " bis " + std::to_string(kMaxSpeedLimit) +
           " km/h sein (angegeben: \"" + std::string(given) + "\").";
}

std::string_view verdictColor(Verdict v) {
    switch (v) {
        case Verdict::Unremarkable:
            return "green";
        case Verdict::SlightlyRaised:
            return "yellow";
        case Verdict::Remarkable:
            return "red";
        case Verdict::None:
            break;
    }
    return "";
}

Rgb verdictRgb(Verdict v) {
    switch (v) {
        case Verdict::Unremarkable:
            return {0x2e, 0x8b, 0x3a};
        case Verdict::SlightlyRaised:
            return {0xf2, 0xc2, 0x00};
        case Verdict::Remarkable:
            return {0xc6, 0x28, 0x28};
        case Verdict::None:
            break;
    }
    return {0xc8, 0xc8, 0xc8};
}

Rgb inkOn(Rgb background) {
    // The threshold keeps the yellow and the grey with black text.
    const double y =
        (0.2126 * background.red + 0.7152 * background.green + 0.0722 * background.blue) / 255.0;
    return y < 0.45 ? Rgb{0xff, 0xff, 0xff} : Rgb{0, 0, 0};
}

Verdict verdictFor(std::optional<double> v85, int limit) {
    if (!v85)
        return Verdict::None;
    if (*v85 <= limit)
        return Verdict::Unremarkable;
    if (*v85 <= limit + 5)
        return Verdict::SlightlyRaised;
    return Verdict::Remarkable;
}

namespace {

// One pass over the day tables, day by day, collecting what the figures need.
class Analyser {
  public:
    explicit Analyser(const AnalysisInput& input) : input_(input) {
        result_.limit = input.limit;
        result_.quality.duplicatesDropped = input.duplicatesDropped;
        result_.quality.linesRejected = input.linesRejected;
    }

    void addDay(int index, const Table& table);
    Analysis finish();

  private:
    void noteVehicle(DayAnalysis& day, int second, double v);
    void findGaps();
    void summariseWeek();
    void describeEnds();

    const AnalysisInput& input_;
    Analysis result_;
    std::vector<Wide> dayDists_;
    std::vector<RankedEvent> top_;  // sorted by ranksBefore, at most kTopSpeedCount
    std::vector<SecondSet> occupied_;
    std::int64_t order_ = 0;
    // Where the measurement's first and last vehicles are, to keep the gap search inside it.
    std::optional<std::pair<int, int>> firstSeen_, lastSeen_;  // (day index, second)
    // The cells are large; keep them off the stack and reuse them for every day.
    std::unique_ptr<std::array<Cell, 24>> cells_ = std::make_unique<std::array<Cell, 24>>();
};

void Analyser::addDay(int index, const Table& table) {
    DayAnalysis day;
    day.day = index + 1;
    day.weekday = weekdayOfMeasurementDay(input_.startDate, day.day);
    for (auto& cell : *cells_)
        cell.clear();
    occupied_.emplace_back();

    for (const Measurement& m : table) {
        ++order_;
        const double v = m.speed.value();
        if (v > 0)
            noteVehicle(day, m.time.secondOfDay(), v);
    }

    for (int h = 0; h < 24; ++h) {
        Cell& cell = (*cells_)[h];
        cell.finish();
        day.hours[h].vehicles = cell.size();
        if (cell.size() >= kMinVehiclesForCellV85)
            day.hours[h].v85 = cell.percentiles(std::array<int, 1>{85})[0];
    }
    dayDists_.push_back(combine(cells_->data(), cells_->size()));
    const Wide& dayDist = dayDists_.back();
    day.speeds = profileOf(dayDist);
    day.exceedance = exceedanceOf(dayDist, input_.limit, day.speeds.v85);
    day.complete = day.hours[0].vehicles > 0 && day.hours[23].vehicles > 0;
    if (day.firstVehicle) {
        if (!firstSeen_)
            firstSeen_ = std::pair{index, *day.firstVehicle};
        lastSeen_ = std::pair{index, *day.lastVehicle};
    }
    result_.days.push_back(std::move(day));
}

void Analyser::noteVehicle(DayAnalysis& day, int second, double v) {
    (*cells_)[second / 3600].add(v);
    occupied_.back().insert(second);
    if (!day.firstVehicle || second < *day.firstVehicle)
        day.firstVehicle = second;
    if (!day.lastVehicle || second > *day.lastVehicle)
        day.lastVehicle = second;

    const RankedEvent event{{day.day, second, v}, order_};
    DataQuality& q = result_.quality;
    if (v < kImplausibleBelow || v >= kImplausibleFrom) {
        ++q.implausibleCount;
        if (q.implausible.size() < kImplausibleListCap)
            q.implausible.push_back(event.event);
    }
    if (top_.size() < kTopSpeedCount || ranksBefore(event, top_.back())) {
        top_.insert(std::upper_bound(top_.begin(), top_.end(), event, ranksBefore), event);
        if (top_.size() > kTopSpeedCount)
            top_.pop_back();
    }
}

// Nothing is searched before the first or after the last vehicle of the measurement, where the
// device was not yet or no longer set up; those days are reported as partial.
void Analyser::findGaps() {
    if (!firstSeen_)
        return;
    for (int d = firstSeen_->first; d <= lastSeen_->first; ++d) {
        int from = kGapWindowFrom, to = kGapWindowTo;
        if (d == firstSeen_->first)
            from = std::max(from, firstSeen_->second);
        if (d == lastSeen_->first)
            to = std::min(to, lastSeen_->second + 1);
        result_.days[d].gaps = gapsIn(occupied_[d], from, to);
    }
}

void Analyser::summariseWeek() {
    std::int64_t all = 0, weekday = 0, weekend = 0;
    int weekdays = 0, weekends = 0;
    for (const DayAnalysis& day : result_.days) {
        for (int h = 0; h < 24; ++h) {
            const std::int64_t count = day.hours[h].vehicles;
            if (count > 0 && (!result_.peakHour || count > result_.peakHour->vehicles))
                result_.peakHour = PeakHour{day.day, h, count};
        }
        if (!day.complete)
            continue;
        result_.completeDays.push_back(day.day);
        all += day.speeds.vehicles;
        if (day.weekday && *day.weekday < 5) {
            weekday += day.speeds.vehicles;
            ++weekdays;
        } else if (day.weekday) {
            weekend += day.speeds.vehicles;
            ++weekends;
        }
    }
    if (!result_.completeDays.empty())
        result_.averageDaily =
            static_cast<double>(all) / static_cast<double>(result_.completeDays.size());
    if (weekdays > 0)
        result_.averageWeekday = static_cast<double>(weekday) / weekdays;
    if (weekends > 0)
        result_.averageWeekend = static_cast<double>(weekend) / weekends;
}

void Analyser::describeEnds() {
    auto partial = [](const DayAnalysis& day) {
        PartialDay p;
        p.day = day.day;
        if (day.firstVehicle) {
            p.firstHour = *day.firstVehicle / 3600;
            p.lastHour = *day.lastVehicle / 3600;
        }
        p.partial = !day.complete;
        return p;
    };
    if (!result_.days.empty()) {
        result_.quality.firstDay = partial(result_.days.front());
        result_.quality.lastDay = partial(result_.days.back());
    }
    for (const RankedEvent& e : top_)
        result_.quality.topSpeeds.push_back(e.event);
}

Analysis Analyser::finish() {
    const Wide whole = combine(dayDists_.data(), dayDists_.size());
    result_.speeds = profileOf(whole);
    result_.exceedance = exceedanceOf(whole, input_.limit, result_.speeds.v85);
    findGaps();
    summariseWeek();
    describeEnds();
    return std::move(result_);
}

}  // namespace

Analysis analyze(const DayTables& days, const AnalysisInput& input) {
    int dayCount = 0;
    for (int d = 0; d < kDays; ++d)
        if (holdsRecords(days[d]))
            dayCount = d + 1;
    Analyser analyser(input);
    for (int d = 0; d < dayCount; ++d)
        analyser.addDay(d, days[d]);
    return analyser.finish();
}

}  // namespace korvala
