#include "session/session.h"

#include <ctime>
#include <utility>

#include "model/encoding.h"
#include "output/csv_export.h"
#include "output/report.h"
#include "output/rtf_list.h"

namespace korvala {

namespace {

std::string twoDigits(int v) {
    std::string s(2, '0');
    s[0] = static_cast<char>('0' + (v / 10) % 10);
    s[1] = static_cast<char>('0' + v % 10);
    return s;
}

}  // namespace

std::string todayDateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return twoDigits(local.tm_mday) + "." + twoDigits(local.tm_mon + 1) + "." +
           twoDigits(local.tm_year % 100);
}

DayReport dayReport(const Site& site, const Table& day, int number, StatusSink& status,
                    const SpeedCaptions& fallback) {
    DayReport r;
    r.speeds = showSpeeds(day);
    r.stats = dayStatistics(day, status);
    const SpeedCaptions& shown = r.speeds ? *r.speeds : fallback;
    ReportInput in;
    in.site = site;
    in.dayCaption = "Tag: " + std::to_string(number);
    in.lbl_ds = std::to_string(r.stats.vehicles);
    in.lbl_vmin = shown.vmin;
    in.lbl_vmax = shown.vmax;
    in.lbl_dV = shown.avg;
    in.stats = &r.stats;
    r.text = buildReport(in);
    return r;
}

Session::Session(std::string today) {
    site_.startDate = std::move(today);
    panels_[0] = std::string(kWaitingText);
    clearEvaluation();
}

void Session::setPanel(int panel, std::string_view text) {
    if (panel < 1 || panel > static_cast<int>(panels_.size()))
        return;
    // dayStatistics rewrites panel 3 for every vehicle; reuse the buffer instead of reallocating.
    panels_[panel - 1].assign(text);
    if (onStatus)
        onStatus(panel, panels_[panel - 1]);
}

// ---- loading ----

LoadResult Session::openFile(const std::string& path) {
    LoadResult result = readMeasurementFile(path);
    if (result.outcome == LoadOutcome::Loaded)
        applyLoad(std::move(result), path);
    return result;
}

void Session::applyLoad(LoadResult&& load, const std::string& path) {
    // A .log carries only the start date; the location and remark the user typed stay.
    if (load.location)
        site_.location = *load.location;
    if (load.startDate)
        site_.startDate = *load.startDate;
    if (load.remark)
        site_.remark = *load.remark;
    records_ = std::move(load.records);
    load.records = Table();
    fileName_ = path;
    inText_ = fileKindOf(path) == FileKind::Spt ? " \r\n" : "";
    if (load.status)
        setPanel(1, *load.status);
    // Reading never clears the flag: a transfer that failed earlier stays visible as failed.
    formatError_ = formatError_ || load.formatError;
    linesRejected_ = load.linesRejected;
    saveEnabled_ = saveAsEnabled_ = exportEnabled_ = true;
    saved_ = true;
    evaluate();
}

void Session::evaluate() {
    // The buttons are re-captioned for the new measurement, but the selection, the visible grid
    // and the day captions stay where the user left them until a day is picked again.
    for (auto& row : dayButtonCaptions_) {
        row[0] = site_.startDate;
        for (int i = 1; i < kDays; ++i)
            row[i] = "Tag " + std::to_string(i + 1);
    }
    dayEnabled_.fill(false);
    dayEnabled_[0] = true;

    SplitResult split = splitDays(records_, *this);
    days_ = std::move(split.days);
    duplicatesDropped_ = split.duplicatesDropped;
    for (int i = 1; i < kDays; ++i)
        dayEnabled_[i] = split.dayFound[i];

    dayData_ = days_[0];
    evaluateDay();
}

void Session::showDay(int index) {
    if (index < 0 || index >= kDays)
        return;
    dayData_ = days_[index];
    selectedDay_ = index;
    frame1Caption_ = "Statistik   Tag " + std::to_string(index + 1);
    evaluateDay();
}

void Session::evaluateDay() {
    // A day with fewer than two records has no speeds: the labels keep what the previous day
    // showed, and the failure is remembered for the transfer check. The report carries the
    // caption of the day last picked, which a load does not change.
    DayReport r = dayReport(site_, dayData_, selectedDay_ + 1, *this, speeds_);
    if (r.speeds)
        speeds_ = std::move(*r.speeds);
    else
        formatError_ = true;
    stats_ = std::move(r.stats);
    lbl_ds_ = std::to_string(stats_.vehicles);
    statsValid_ = true;
    reportText_ = std::move(r.text);
}

// ---- a transfer from the device ----

void Session::beginTransfer(std::string_view today) {
    formatError_ = false;
    saveEnabled_ = saveAsEnabled_ = exportEnabled_ = false;
    site_.location.clear();
    inText_.clear();
    records_ = Table();
    site_.startDate = std::string(today);
    clearEvaluation();
}

void Session::clearEvaluation() {
    // Nothing evaluated from the erased measurement may stay on show: a transfer that does not
    // complete leaves the views of an empty measurement, as at program start.
    days_ = DayTables();
    dayData_ = Table();
    stats_ = DayStats();
    statsValid_ = false;
    lbl_ds_ = "--";
    speeds_ = {"--", "--", "--"};
    frame1Caption_ = "Statistik  Tag 1";
    selectedDay_ = 0;
    dayEnabled_.fill(false);
    dayEnabled_[0] = true;
    for (int i = 0; i < kDays; ++i)
        dayButtonCaptions_[0][i] = "Tag " + std::to_string(i + 1);
    for (int row = 1; row < 4; ++row)
        dayButtonCaptions_[row].fill("Tag");
    duplicatesDropped_ = 0;
    linesRejected_ = 0;
    reportText_.clear();
    for (int panel = 2; panel <= static_cast<int>(panels_.size()); ++panel)
        setPanel(panel, "");
}

std::string Session::takeReceived() {
    std::string text = std::move(inText_);
    inText_.clear();
    return text;
}

void Session::applyTransfer(std::string startDate, Table&& records, bool formatError) {
    site_.startDate = std::move(startDate);
    records_ = std::move(records);
    formatError_ = formatError_ || formatError;
    createDefFileName();
    evaluate();
    saved_ = false;
    fileName_.clear();
    saveAsEnabled_ = exportEnabled_ = true;
}

// ---- site fields ----

bool Session::commitStartDate(const std::string& today) {
    bool ok = false;
    if (auto date = Timestamp::parseDate(site_.startDate)) {
        site_.startDate = date->shortDateText();
        ok = true;
    } else {
        site_.startDate = today;
    }
    rebuildReport();
    return ok;
}

void Session::rebuildReport() {
    ReportInput in;
    in.site = site_;
    in.dayCaption = dayCaption();
    in.lbl_ds = lbl_ds_;
    in.lbl_vmin = speeds_.vmin;
    in.lbl_vmax = speeds_.vmax;
    in.lbl_dV = speeds_.avg;
    in.stats = statsValid_ ? &stats_ : nullptr;
    reportText_ = buildReport(in);
}

bool Session::siteComplete() const {
    return utf8Length(site_.location) >= 2 && utf8Length(site_.startDate) >= 2;
}

// ---- saving and exports ----

void Session::createDefFileName() {
    defFileName_ = korvala::createDefFileName(site_.location, site_.startDate);
}

std::string Session::sptBytes() const {
    return sptContent(site_, records_);
}

bool Session::canSaveInPlace() const {
    return fileKindOf(fileName_) == FileKind::Spt && !fileName_.empty() && fileName_.front() == '/';
}

std::string Session::proposedSaveName() const {
    if (fileKindOf(fileName_) == FileKind::Spt)
        return fileName_;
    return defFileName_ + ".spt";
}

bool Session::saveIt(std::string* error) {
    if (fileName_.empty()) {
        if (error)
            *error = "Kein Dateiname angegeben.";
        return false;
    }
    if (!writeFileBytes(fileName_, sptBytes(), error))
        return false;
    saveEnabled_ = true;
    saved_ = true;
    return true;
}

bool Session::saveAs(const std::string& path, std::string* error) {
    fileName_ = path;
    return saveIt(error);
}

std::string Session::rtfDocument() const {
    return formatRtfList(records_);
}

std::string Session::csvBytes() const {
    return csvContent(site_, records_);
}

std::string Session::prepareExportName(const std::string& ext) {
    createDefFileName();
    fileName_ = defFileName_;
    return proposedExportName(fileName_, ext);
}

// ---- analysis ----

AnalysisInput Session::analysisInput(int limit) const {
    return AnalysisInput{limit, site_.startDate, duplicatesDropped_, linesRejected_};
}

Analysis Session::analyze(int limit) const {
    return korvala::analyze(days_, analysisInput(limit));
}

// ---- typed site fields ----

namespace {

// A text box hands over its lines with CR LF; a command line or a test usually has bare LF.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

bool applySiteEdits(Session& session, const SiteEdits& edits, const std::string& today) {
    if (edits.location) {
        session.siteKeyPressed();
        session.setLocation(*edits.location);
    }
    if (edits.remark) {
        session.siteKeyPressed();
        session.setRemark(withCrLf(*edits.remark));
    }
    bool dateOk = true;
    if (edits.startDate) {
        session.siteKeyPressed();
        session.setStartDate(*edits.startDate);
        dateOk = session.commitStartDate(today);
    } else {
        session.rebuildReport();
    }
    return dateOk;
}

}  // namespace korvala
