#include "session/session.h"

#include <ctime>
#include <utility>

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

Session::Session(std::string today) {
    site.startDate = std::move(today);
    panels[0] = std::string(kWaitingText);
    for (int i = 0; i < kDays; ++i)
        dayButtonCaptions[0][i] = "Tag " + std::to_string(i + 1);
    for (int row = 1; row < 4; ++row)
        dayButtonCaptions[row].fill("Tag");
}

void Session::setPanel(int panel, std::string_view text) {
    if (panel < 1 || panel > static_cast<int>(panels.size()))
        return;
    // dayStatistics rewrites panel 3 for every vehicle; reuse the buffer instead of reallocating.
    panels[panel - 1].assign(text);
    if (onStatus)
        onStatus(panel, panels[panel - 1]);
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
        site.location = *load.location;
    if (load.startDate)
        site.startDate = *load.startDate;
    if (load.remark)
        site.remark = *load.remark;
    records = std::move(load.records);
    load.records = Table();
    fileName = path;
    inText = fileKindOf(path) == FileKind::Spt ? " \r\n" : "";
    if (load.status)
        setPanel(1, *load.status);
    // Reading never clears the flag: a transfer that failed earlier stays visible as failed.
    formatError = formatError || load.formatError;
    linesRejected = load.linesRejected;
    saveEnabled = saveAsEnabled = exportEnabled = true;
    saved = true;
    evaluate();
}

void Session::evaluate() {
    // The buttons are re-captioned for the new measurement, but the selection, the visible grid
    // and the day captions stay where the user left them until a day is picked again.
    for (auto& row : dayButtonCaptions) {
        row[0] = site.startDate;
        for (int i = 1; i < kDays; ++i)
            row[i] = "Tag " + std::to_string(i + 1);
    }
    dayEnabled.fill(false);
    dayEnabled[0] = true;

    SplitResult split = splitDays(records, *this);
    days = std::move(split.days);
    duplicatesDropped = split.duplicatesDropped;
    for (int i = 1; i < kDays; ++i)
        dayEnabled[i] = split.dayFound[i];

    dayData = days[0];
    evaluateDay();
}

void Session::showDay(int index) {
    if (index < 0 || index >= kDays)
        return;
    dayData = days[index];
    selectedDay = index;
    dayCaption = "Tag: " + std::to_string(index + 1);
    frame1Caption = "Statistik   Tag " + std::to_string(index + 1);
    evaluateDay();
}

void Session::evaluateDay() {
    // A day with fewer than two records has no speeds: the labels keep what the previous day
    // showed, and the failure is remembered for the transfer check.
    if (auto captions = showSpeeds(dayData)) {
        lbl_dV = std::move(captions->avg);
        lbl_vmax = std::move(captions->vmax);
        lbl_vmin = std::move(captions->vmin);
    } else {
        formatError = true;
    }
    stats = dayStatistics(dayData, *this);
    lbl_ds = std::to_string(stats.vehicles);
    statsValid = true;
    rebuildReport();
}

// ---- site fields ----

bool Session::commitStartDate(const std::string& today) {
    bool ok = false;
    if (auto date = Timestamp::parseDate(site.startDate)) {
        site.startDate = date->shortDateText();
        ok = true;
    } else {
        site.startDate = today;
    }
    rebuildReport();
    return ok;
}

void Session::rebuildReport() {
    ReportInput in;
    in.site = site;
    in.dayCaption = dayCaption;
    in.lbl_ds = lbl_ds;
    in.lbl_vmin = lbl_vmin;
    in.lbl_vmax = lbl_vmax;
    in.lbl_dV = lbl_dV;
    in.stats = statsValid ? &stats : nullptr;
    reportText = buildReport(in);
}

// ---- saving and exports ----

void Session::createDefFileName() {
    defFileName = korvala::createDefFileName(site.location, site.startDate);
}

std::string Session::sptBytes() const {
    return sptContent(site, records);
}

bool Session::saveIt(std::string* error) {
    if (fileName.empty()) {
        if (error)
            *error = "Kein Dateiname angegeben.";
        return false;
    }
    if (!writeFileBytes(fileName, sptBytes(), error))
        return false;
    saveEnabled = true;
    saved = true;
    return true;
}

std::string Session::rtfDocument() const {
    return formatRtfList(records);
}

std::string Session::csvBytes() const {
    return csvContent(site, records);
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
        session.site.location = *edits.location;
    }
    if (edits.remark) {
        session.siteKeyPressed();
        session.site.remark = withCrLf(*edits.remark);
    }
    bool dateOk = true;
    if (edits.startDate) {
        session.siteKeyPressed();
        session.site.startDate = *edits.startDate;
        dateOk = session.commitStartDate(today);
    } else {
        session.rebuildReport();
    }
    return dateOk;
}

std::string Session::prepareExportName(const std::string& ext) {
    createDefFileName();
    fileName = defFileName;
    return proposedExportName(fileName, ext);
}

}  // namespace korvala
