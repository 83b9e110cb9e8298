#pragma once
// The measurement as the window holds it, and the user's steps on it in the order the program
// runs them. The window, the device transfer and korvala-cli all drive a Session, so the command
// line shows exactly what the window shows. No step here asks the user anything: questions and
// file dialogs belong to the caller, which passes their answers in. The state is private: every
// change goes through one of the operations below, so the rules that tie the fields together
// (a load resets the menus, a typed field marks the data unsaved) hold for every caller.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "evaluation/analysis.h"
#include "evaluation/statistics.h"
#include "model/measurement_file.h"
#include "model/status.h"

namespace korvala {

inline constexpr std::string_view kWaitingText = "Warte auf Daten";

// The report page of one day with the figures behind it.
struct DayReport {
    DayStats stats;
    std::optional<SpeedCaptions> speeds;  // empty when the day has no speeds to show
    std::string text;                     // the report page (UTF-8, tabs and CR LF)
};

// Evaluates day `number` (1..7) of a measurement as a click on its button does. Without speeds
// the report shows `fallback` (the window keeps the captions of the day shown before; a printed
// day, which has no "before", shows "--").
DayReport dayReport(const Site& site, const Table& day, int number, StatusSink& status,
                    const SpeedCaptions& fallback = {"--", "--", "--"});

class Session final : public StatusSink {
  public:
    // `today` is the start-date text shown at start ("dd.mm.yy").
    explicit Session(std::string today);

    // ---- the model, as the views read it ----
    const Table& records() const { return records_; }  // the whole measurement, index = dscount
    const DayTables& days() const { return days_; }    // day1 .. day7 after the last evaluation
    const Table& dayData() const { return dayData_; }  // the day evaluated last
    const DayStats& stats() const { return stats_; }   // statistics of dayData
    bool statsValid() const { return statsValid_; }    // false until the first evaluation
    const std::string& lbl_ds() const { return lbl_ds_; }
    const std::string& lbl_vmin() const { return speeds_.vmin; }
    const std::string& lbl_vmax() const { return speeds_.vmax; }
    const std::string& lbl_dV() const { return speeds_.avg; }
    // The day last picked as the report prints it; a load keeps it.
    std::string dayCaption() const { return "Tag: " + std::to_string(selectedDay_ + 1); }
    const std::string& frame1Caption() const { return frame1Caption_; }
    int selectedDay() const { return selectedDay_; }  // the day the buttons and grid show
    const std::array<bool, kDays>& dayEnabled() const { return dayEnabled_; }
    // Captions of the four button rows, by the rows' Tag: 0 Tage0, 1 Tage1, 2 Tage, 3 Tage3.
    const std::array<std::string, kDays>& dayButtonCaptions(int row) const {
        return dayButtonCaptions_.at(static_cast<std::size_t>(row));
    }
    std::int32_t duplicatesDropped() const { return duplicatesDropped_; }
    const Site& site() const { return site_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& defFileName() const { return defFileName_; }
    bool saved() const { return saved_; }
    bool formatError() const { return formatError_; }
    bool saveEnabled() const { return saveEnabled_; }
    bool saveAsEnabled() const { return saveAsEnabled_; }
    bool exportEnabled() const { return exportEnabled_; }
    const std::string& inText() const { return inText_; }  // receive buffer of a transfer
    const std::string& panel(int number) const { return panels_.at(number - 1); }  // 1..5
    const std::string& statusLine() const { return panels_[0]; }
    const std::string& reportText() const { return reportText_; }  // rebuilt by rebuildReport()
    int linesRejected() const { return linesRejected_; }           // record lines of the last load

    // Called for every status panel change (panel 1..5); the window connects its status bar.
    std::function<void(int, const std::string&)> onStatus;
    void setPanel(int panel, std::string_view text) override;

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

    // ---- a transfer from the device ----
    // The start of a transfer on saved data: the model is erased (records, location, the menus,
    // the received text, and everything evaluated from them: days, figures, captions, report)
    // and the start date becomes `today`.
    void beginTransfer(std::string_view today);
    void appendReceived(std::string_view piece) { inText_ += piece; }
    // Hands the received text over and empties the buffer.
    std::string takeReceived();
    void restoreReceived(std::string text) { inText_ = std::move(text); }
    // "Abbrechen": what was received is dropped.
    void cancelTransfer() { inText_.clear(); }
    // The parsed transfer: start date, records, then the evaluation. The data are unsaved and
    // have no name, so a later save must ask for one instead of overwriting an earlier file.
    void applyTransfer(std::string startDate, Table&& records, bool formatError);

    // ---- site fields ----
    // Text typed into a field: taken as it stands. Typing marks the data unsaved (siteKeyPressed)
    // separately, because a field that is filled by the program is no change of the user's.
    void setLocation(std::string text) { site_.location = std::move(text); }
    void setStartDate(std::string text) { site_.startDate = std::move(text); }
    void setRemark(std::string crLfText) { site_.remark = std::move(crLfText); }
    void siteKeyPressed() { saved_ = false; }
    // Text4 losing the focus: normalises a readable date to "dd.mm.yy" and returns true; an
    // unreadable one becomes `today` and false is returned (the caller shows the message).
    // The report is rebuilt in both cases.
    bool commitStartDate(const std::string& today);
    void rebuildReport();
    // Location and start date are long enough for a file name (two characters each, untrimmed).
    bool siteComplete() const;

    // ---- saving and exports ----
    void createDefFileName();
    std::string sptBytes() const;
    // Whether "Speichern" can write straight to fileName: only to a full path of a .spt file.
    // Anything else goes through the save dialog: the device's .log, the bare name an export
    // leaves behind (no folder, so it would land in whatever folder the program was started
    // from), and the path of an exported list or CSV that a cancelled "Öffnen" takes over.
    bool canSaveInPlace() const;
    // The name the save dialog proposes: the .spt in use, or defFileName + ".spt".
    std::string proposedSaveName() const;
    // Writes the .spt to fileName. On success the save entry is enabled and saved becomes true;
    // on failure nothing changes and `error` says why.
    bool saveIt(std::string* error = nullptr);
    // fileName becomes `path`, then saveIt.
    bool saveAs(const std::string& path, std::string* error = nullptr);
    // The name the file dialog held when the user cancelled it (empty: no name).
    void adoptFileName(std::string path) { fileName_ = std::move(path); }
    // The user answered "Nein" to the save question: the data may go.
    void discardChanges() { saved_ = true; }
    std::string rtfDocument() const;  // empty without records
    std::string csvBytes() const;
    // The names the export dialogs propose; both refresh defFileName and set fileName to it.
    std::string prepareExportName(const std::string& ext);

    // ---- analysis ----
    // What analyze() needs of this measurement besides its days.
    AnalysisInput analysisInput(int limit) const;
    Analysis analyze(int limit) const;

  private:
    // showSpeeds, dayStatistics and the report over dayData: the part a load and a day click share.
    void evaluateDay();
    // The evaluation of no measurement, as at program start.
    void clearEvaluation();

    Table records_;
    DayTables days_;
    Table dayData_;
    DayStats stats_;
    bool statsValid_ = false;
    std::string lbl_ds_ = "--";
    SpeedCaptions speeds_{"--", "--", "--"};
    std::string frame1Caption_ = "Statistik  Tag 1";
    int selectedDay_ = 0;
    std::array<bool, kDays> dayEnabled_{true, false, false, false, false, false, false};
    std::array<std::array<std::string, kDays>, 4> dayButtonCaptions_;
    std::int32_t duplicatesDropped_ = 0;
    Site site_;
    std::string fileName_, defFileName_;
    bool saved_ = true;
    bool formatError_ = false;
    bool saveEnabled_ = false, saveAsEnabled_ = false, exportEnabled_ = false;
    std::string inText_;
    std::array<std::string, 5> panels_;
    std::string reportText_;
    int linesRejected_ = 0;
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
