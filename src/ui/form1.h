#pragma once
// The main window: menus, the pages, the status bar, the overlays and the debug column.
// It owns the Session and holds no evaluation of its own: every handler calls the session, then
// refreshes the views from it. Every question and file dialog goes through Dialogs.

#include <QDate>
#include <QMainWindow>
#include <QRect>
#include <QStatusBar>

#include <array>
#include <cstdint>
#include <functional>

#include "session/session.h"
#include "ui/dialogs.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTextEdit;
class QTimer;
class QToolButton;

namespace korvala::ui {

class AnalysePage;
class ArchiveActions;
class DayButtons;
class DayGridModel;
class ReportActions;

// The status bar; a mouse press on it counts as an activation (the way to the debug column).
class StatusBar final : public QStatusBar {
    Q_OBJECT
  public:
    using QStatusBar::QStatusBar;
  signals:
    void activated();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

struct Form1Options {
    bool showSplash = true;
    // Today's date; the start-date field, "Heute" and the date check use it.
    std::function<QDate()> today;
    // The program's folder; the file dialogs start in its "daten" folder. Empty: the folder of
    // the executable.
    QString programDir;
    // The samples a new user data folder receives when the program's folder is not writable.
    // Empty: <programDir>/../share/korvala/data, where the package puts them.
    QString samplesDir;
};

// Converts a filter of the "description|pattern|description|pattern" kind into Qt's
// "description (pattern);;..." form. A description that already names its pattern in
// parentheses is kept as it is.
QString qtFileFilter(const QString& pipeFilter);

// `window` (frame included) moved, and shrunk where it is larger, so it lies inside `available`.
QRect clampToScreen(QRect window, QRect available);

class Form1 final : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kNormalWidthTwips = 10560;
    static constexpr int kDebugWidthTwips = 15605;
    static constexpr int kHeightTwips = 8640;

    explicit Form1(Dialogs& dialogs, Form1Options options = {}, QWidget* parent = nullptr);
    ~Form1() override;

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    Dialogs& dialogs() { return dialogs_; }

    // ---- commands ----
    void open_Click();
    // Loads `path` as "Öffnen" does after the dialog. Returns true when a measurement was loaded.
    bool openPath(const QString& path);
    // Loads a file named on the command line or dropped, by the file system's own bytes of its
    // name (which Qt cannot always spell as a QString). Unlike "Öffnen", whose filter offers
    // only measurement files, every file that is not loaded gets its message.
    bool openNamedFile(const std::string& nativePath);
    // The message box for a file that "Öffnen" could not load (none for a foreign file).
    void showLoadFailure(const LoadResult& result, const QString& path);
    void save_Click();
    void saveas_Click();
    void saveall();
    void saveIt();
    void exit_Click();
    void exitall();
    // Whether `path` may be written: true when it is no existing file or the user agrees to
    // overwrite it.
    bool writeIfExists(const QString& path);
    // The RTF list of all records (picture button "Messliste") and the CSV export (menu
    // "Export (CSV)"): a question or the site check first, then a save dialog and the file.
    void cmd_datendruck_Click();
    void export_Click();
    void rtfExport(const std::string& datastr);
    void csvExport();
    void showDay(int index, int tagId);
    void hideflex();
    void clearflex(int index);
    void fillflex(const Table& table, int index);
    void cmd_today_Click();

    // ---- refreshing the views from the session ----
    // After a load or a transfer: site fields, menus, day buttons, all seven grids, the day views.
    void refreshFromSession();
    // The views of the evaluated day: Frame1 and its labels, the report, the charts.
    void refreshDayViews();
    void refreshReport();
    void refreshMenus();
    void refreshSiteFields();
    // Called after every evaluation; the chart views connect here.
    void refreshCharts();

    // The hidden device-link entries ("Daten auslesen", "Schnittstelle", "Karte löschen").
    void setDeviceLinkVisible(bool visible);
    QMenu* portMenu() const { return portMenu_; }

    // Folder the file dialogs start in; created when missing. A user folder used for the first
    // time receives the samples (see data_folder.h).
    QString datenDir() const;
    QString todayText() const;
    // Title of the program's message boxes.
    static QString messageTitle();

    // ---- state of the window ----
    int faktor = 1;  // divisor of the printed chart size
    std::uint8_t debugClicks = 0;
    // The name the file dialog held last: what the user chose, or what a save dialog proposed.
    // A cancelled "Öffnen" takes it as fileName.
    QString lastDialogName;

    // Hooks for the parts wired by the application.
    std::function<void()> openDateTimeDialog;  // "Datum/Uhrzeit"
    std::function<void()> chartsRefresh;       // end of every evaluation
    std::function<void()> beforeExit;          // shutdown: close the serial port

    // ---- menus ----
    QMenu* fileMenu;
    QAction* act_file;
    QAction* act_new;
    QAction* act_open;
    QAction* act_save;
    QAction* act_saveas;
    QAction* act_export;
    QAction* act_exit;
    QAction* act_port;
    std::array<QAction*, 15> act_comp{};  // comp1 .. comp15
    QAction* act_auto;
    QAction* act_loeschen;
    QAction* act_dat_time;
    QAction* act_info;

    // ---- pages ----
    QTabWidget* SSTab1;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QPlainTextEdit* Text5;
    QLabel* lblHint;
    QPushButton* cmd_today;
    QGroupBox* Frame1;
    QLabel* lbl_ds;
    QLabel* lbl_vmin;
    QLabel* lbl_vmax;
    QLabel* lbl_dV;
    std::array<QTableView*, kDays> MSFlex{};
    std::array<DayGridModel*, kDays> gridModels{};
    DayButtons* Tage0;
    DayButtons* Tage1;
    DayButtons* Tage;
    DayButtons* Tage3;
    QToolButton* cmd_datendruck;
    QWidget* speedChartHost;
    QToolButton* cmd_bar;
    QToolButton* cmd_pie;
    QToolButton* cmd_printCh1;
    QWidget* hourChartHost;
    QToolButton* cmd_bar1;
    QToolButton* cmd_line1;
    QToolButton* cmd_printCh2;
    QTextEdit* rtf;
    QToolButton* cmd_printProtokoll;
    AnalysePage* analysePage;        // figures of the whole measurement, refreshed after every load
    ReportActions* reportActions;    // the PDF report and the comparison ("Datei" entries)
    ArchiveActions* archiveActions;  // the site archive ("Datei" entries, its window)

    // ---- overlays, status bar, debug column, timers ----
    QFrame* dlg_input;
    QLineEdit* Text1;
    QProgressBar* PB1;
    QPushButton* dlg_cancel;
    QFrame* dlg_daten;
    StatusBar* SB;
    std::array<QLabel*, 5> panels{};
    QWidget* debugColumn;
    QLabel* Label10;
    QLabel* Label11;
    QPlainTextEdit* Text6;
    QTimer* Timer1;
    QTimer* inputTimer;

  signals:
    // A day was evaluated by a click on a day button.
    void dayShown(int index);
    // A status panel (1..5) changed.
    void statusChanged(int panel, const QString& text);
    // The views were refreshed from a newly loaded or received measurement.
    void sessionRefreshed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The save dialog and overwrite question of an export; nothing when the user declines.
    std::optional<QString> exportTarget(const char* ext, const QString& filter);
    void startUp();
    void buildMenus();
    QWidget* buildOverviewPage();
    QLayout* buildSiteFields(QWidget* content);
    QGroupBox* buildDayStatistics(QWidget* content);
    void connectSiteFields();
    QFrame* buildPreparingNotice(QWidget* page);
    QWidget* buildSpeedPage();
    QWidget* buildHourPage();
    QWidget* buildReportPage();
    void buildOverlays(QWidget* pagesHost);
    void buildStatusBar();
    QWidget* buildDebugColumn();
    void prepareGrid(int index, QWidget* parent);
    void statusBarActivated();
    // Loads the file at `nativePath`; `shownPath` is its name in messages. A file of another
    // kind is only reported when `reportForeign` is set.
    bool load(const std::string& nativePath, const QString& shownPath, bool reportForeign);
    // Keeps the whole window, frame included, on the screen it is shown on.
    void keepOnScreen();
    void timer1Tick();
    void dlgCancelClicked();
    void text4LostFocus();
    void text5LostFocus();
    void gridActivated(int index);
    void flushStatus();
    void beginBusy();
    void endBusy();
    // The message box of a failed save, then the menus.
    void reportSaveResult(bool ok, const std::string& error);
    // Before a .spt is written: asks whether to save site texts the file cannot hold as typed;
    // true when nothing would change or the user says "Ja".
    bool confirmSiteTexts();

    Dialogs& dialogs_;
    Form1Options options_;
    Session session_;
    QMenu* portMenu_ = nullptr;
    bool updatingFields_ = false;
    bool shutDown_ = false;
    unsigned statusDirty_ = 0;  // bit i: panel i+1 changed since the last flush
    bool statusFlushQueued_ = false;
};

}  // namespace korvala::ui
