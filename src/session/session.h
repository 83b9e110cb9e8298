#pragma once
// The measurement as the window holds it, and the user's steps on it in the order the program
// runs them. The window and korvala-cli both drive a Session, so the command line shows exactly
// what the window shows. No step here asks the user anything: questions and file dialogs belong
// to the caller, which passes their answers in.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "evaluation/statistics.h"
#include "model/measurement_file.h"
#include "model/status.h"

namespace korvala {

inline constexpr std::string_view kWaitingText = "Warte auf Daten";

class Session final : public StatusSink {
  public:
    // `today` is the start-date text shown at start ("dd.mm.yy").
    explicit Session(std::string today);

    // ---- the model (read by the views; changed only through the operations below) ----
    Table records;            // the whole measurement, index = dscount
    DayTables days;           // day1 .. day7 after the last evaluation
    Table dayData;            // the day evaluated last
    DayStats stats;           // statistics of dayData
    bool statsValid = false;  // false until the first evaluation
    std::string lbl_ds = "--", lbl_vmin = "--", lbl_vmax = "--", lbl_dV = "--";
    std::string dayCaption = "Tag: 1";  // the day evaluated, printed in the report
    std::string frame1Caption = "Statistik  Tag 1";
    int selectedDay = 0;  // the day the buttons and the visible grid show
    std::array<bool, kDays> dayEnabled{true, false, false, false, false, false, false};
    // Captions of the four button rows, indexed by the rows' Tag: 0 Tage0, 1 Tage1, 2 Tage, 3
    // Tage3.
    std::array<std::array<std::string, kDays>, 4> dayButtonCaptions;
    std::int32_t duplicatesDropped = 0;
    Site site;
    std::string fileName, defFileName;
    bool saved = true;
    bool formatError = false;
    bool saveEnabled = false, saveAsEnabled = false, exportEnabled = false;
    std::string inText;                 // receive buffer of the serial transfer
    std::array<std::string, 5> panels;  // status bar panels 1..5 (index 0 = panel 1)
    std::string reportText;             // the report page, rebuilt by rebuildReport()
    int linesRejected = 0;              // record lines of the last load that failed

    // Called for every status panel change (panel 1..5); the window connects its status bar.
    std::function<void(int, const std::string&)> onStatus;
    void setPanel(int panel, std::string_view text) override;
    const std::string& statusLine() const { return panels[0]; }

    // ---- loading ----
    // Reads `path` and, when it holds a measurement, takes it over and evaluates it (the file
    // side of "Öffnen"). Anything else leaves the session as it was. The result tells the caller
    // what to show (a "Falsches Format!" box, a read error).
    LoadResult openFile(const std::string& path);
    // Takes over a successful load: site fields the file set, records, fileName, menu states,
    // saved = true, then evaluate().
    void applyLoad(LoadResult&& load, const std::string& path);
    // splitDays, then day 1: captions, statistics, report.
    void evaluate();
    // A click on day `index` (0..6): dayData, dayCaption, selection, Frame1, statistics, report.
    void showDay(int index);

    // ---- site fields ----
    void siteKeyPressed() { saved = false; }
    // Text4 losing the focus: normalises a readable date to "dd.mm.yy" and returns true; an
    // unreadable one becomes `today` and false is returned (the caller shows the message).
    // The report is rebuilt in both cases.
    bool commitStartDate(const std::string& today);
    void rebuildReport();

    // ---- saving and exports ----
    void createDefFileName();
    std::string sptBytes() const;
    // Writes the .spt to fileName. On success the save entry is enabled and saved becomes true;
    // on failure nothing changes and `error` says why.
    bool saveIt(std::string* error = nullptr);
    std::string rtfDocument() const;  // empty without records
    std::string csvBytes() const;
    // The names the export dialogs propose; both refresh defFileName and set fileName to it.
    std::string prepareExportName(const std::string& ext);

  private:
    // showSpeeds, dayStatistics and the report over dayData: the part a load and a day click share.
    void evaluateDay();
};

// What the user typed into the site fields after opening a file (UTF-8; unset = untouched).
struct SiteEdits {
    std::optional<std::string> location, startDate, remark;
    bool empty() const { return !location && !startDate && !remark; }
};
// Types `edits` into the site fields as the window's user would: each typed field marks the data
// unsaved, the remark's line breaks become CR LF, a typed start date goes through
// commitStartDate(today). The report is rebuilt. Returns false when the typed date was unreadable
// (the start date is then `today`).
bool applySiteEdits(Session& session, const SiteEdits& edits, const std::string& today);

// Today's local date as "dd.mm.yy", the start date a new session and an unreadable date fall back
// to.
std::string todayDateText();

}  // namespace korvala
