#pragma once
// The site archive in the window: the "Datei" entries "Archiv anzeigen", "In Archiv aufnehmen …",
// "Ordner ins Archiv importieren …" and "Archiv-Verbindung …", the one connection to the archive
// they share, and the steps the archive window takes (open, compare, export).
//
// The archive is the SQLite file archiv.sqlite beside the data folder unless the department set
// a PostgreSQL connection, which is kept in the user's settings (never a password). Every failure
// of the archive is a message box with its German text; the window goes on.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "output/report/archive_pages.h"

class QAction;
class QSettings;

namespace korvala::ui {

class ArchiveWindow;
class Form1;

class ArchiveActions final : public QObject {
    Q_OBJECT
  public:
    enum class Format { Csv, Pdf };

    // Adds the entries to the window's "Datei" menu; the window owns the object.
    explicit ArchiveActions(Form1& form);
    ~ArchiveActions() override;

    // Where the connection is kept; the user's settings unless replaced (tests give a file).
    std::function<std::unique_ptr<QSettings>()> settings;

    // ---- where the archive is ----
    // archiv.sqlite beside the data folder.
    QString localFile() const;
    // The PostgreSQL connection set, empty for the local file.
    QString server() const;
    // Where the archive in use is, for the archive window: in the file `file` unless `server`
    // names a PostgreSQL connection.
    QString placeText() const;
    static QString placeText(const QString& server, const QString& file);
    // Switches to `server` (empty: the local file) when that archive opens, and keeps it in the
    // settings; otherwise says why and keeps the one in use. True when switched.
    bool connectTo(const QString& server);
    // Uses the SQLite file `path` for this run only, without touching the settings.
    bool useFileForThisRun(const QString& path);

    // Runs `work` on the archive, opened on first use. An archive error is shown with its
    // message and gives false; a lost server connection is opened anew next time.
    bool run(const std::function<void(archive::Archive&)>& work);

    // ---- menu commands ----
    void showWindow();
    void file_Click();
    void import_Click();
    void connection_Click();

    // ---- the steps behind them, also callable directly ----
    // Files the window's measurement under site `siteId`, or under the new site `newSite` when
    // `siteId` is 0 (a new site is removed again when the filing fails). Returns the number.
    std::optional<std::int64_t> fileCurrent(std::int64_t siteId, const archive::SiteData& newSite);
    // Every measurement file of `folder` into the site, with a progress dialog and a summary.
    std::optional<archive::ImportReport> importFolder(const QString& folder, std::int64_t siteId,
                                                      const archive::SiteData& newSite);
    // A filed measurement into the window as if opened from a file, the Analyse page at its
    // site's limit. Asks first when the window holds unsaved data.
    bool openFiled(std::int64_t id);
    // A filed measurement as the comparison ("Nachher") of the window's measurement.
    bool compareWith(std::int64_t id);
    // Both filed measurements: `before` into the window, `after` as its comparison.
    bool compareFiled(std::int64_t before, std::int64_t after);
    // The ranking and a site's history as a file, through the save dialog.
    bool exportHotspots(Format format);
    bool exportHistory(std::int64_t siteId, Format format);

    ArchiveWindow* window() const { return window_; }

    QAction* act_archive;
    QAction* act_file;
    QAction* act_import;
    QAction* act_connection;

  signals:
    // Something was filed, removed or the archive changed place: the lists are out of date.
    void archiveChanged();

  private:
    std::unique_ptr<QSettings> openSettings() const;
    archive::Archive openPlace(const QString& server, const QString& file) const;
    void showError(const archive::ArchiveError& error);
    // The site to file into, asked in the site dialog; nothing on cancel.
    struct SiteChoice {
        std::int64_t id = 0;
        archive::SiteData newSite;
    };
    std::optional<SiteChoice> askSite(const QString& title, const QString& proposedName);
    // The site `choice` names, created when new; `created` tells.
    std::int64_t siteFor(archive::Archive& a, std::int64_t siteId, const archive::SiteData& data,
                         bool& created);
    std::optional<QString> askFolder();
    std::optional<QString> exportTarget(const QString& caption, const QString& baseName,
                                        Format format);
    // The CSV bytes or the PDF pages, whichever `format` asks for; a failure is said.
    bool writeExport(const QString& path, Format format, const std::string& csv,
                     const report::ArchiveList& pages);
    void showImportSummary(const QString& folder, const archive::ImportReport& report);

    Form1& form_;
    std::optional<archive::Archive> archive_;
    QString fileForThisRun_;
    ArchiveWindow* window_ = nullptr;
};

}  // namespace korvala::ui
