#include "ui/archive_actions.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>

#include "archive/archive_csv.h"
#include "archive/archive_text.h"
#include "model/file_write.h"
#include "output/report/archive_pages.h"
#include "ui/analyse_page.h"
#include "ui/archive_dialogs.h"
#include "ui/archive_lists.h"
#include "ui/archive_window.h"
#include "ui/comparison_view.h"
#include "ui/form1.h"
#include "ui/native_path.h"
#include "ui/report_actions.h"

namespace korvala::ui {

using archive::Archive;
using archive::ArchiveError;
using archive::ErrorKind;
using archive::ImportOutcome;
using archive::ImportReport;

namespace {

const QString kServerKey = QStringLiteral("archiv/postgresql");
const QString kLocalName = QStringLiteral("archiv.sqlite");
// How many skipped files the import's summary names one by one.
constexpr int kListedSkips = 12;

QAction* namedAction(const char* name, const QString& text, QObject* parent) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// A site's name as part of a file name: no folder separators or characters a Windows share
// refuses.
QString fileNamePart(QString name) {
    for (QChar& c : name)
        if (c < QLatin1Char(' ') || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    return name.simplified();
}

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A site made for a filing that was then refused would stay behind empty. Its removal failing
// too is not worth a second message: the filing's own says what went wrong.
void removeEmptySite(Archive& a, std::int64_t id) {
    try {
        a.removeSite(id);
    } catch (const ArchiveError&) {
    }
}

}  // namespace

ArchiveActions::ArchiveActions(Form1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("archiveActions"));
    settings = [] {
        return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("korvala"),
                                           QStringLiteral("korvala"));
    };
    act_archive = namedAction("archive", QStringLiteral("Archiv anzeigen"), this);
    act_file = namedAction("archiveFile", QString::fromUtf8("In Archiv aufnehmen …"), this);
    act_import =
        namedAction("archiveImport", QString::fromUtf8("Ordner ins Archiv importieren …"), this);
    act_connection =
        namedAction("archiveConnection", QString::fromUtf8("Archiv-Verbindung …"), this);
    auto* before = new QAction(this);
    before->setSeparator(true);
    auto* after = new QAction(this);
    after->setSeparator(true);
    form_.fileMenu->insertActions(
        form_.act_exit, {before, act_archive, act_file, act_import, act_connection, after});
    connect(act_archive, &QAction::triggered, this, &ArchiveActions::showWindow);
    connect(act_file, &QAction::triggered, this, &ArchiveActions::file_Click);
    connect(act_import, &QAction::triggered, this, &ArchiveActions::import_Click);
    connect(act_connection, &QAction::triggered, this, &ArchiveActions::connection_Click);
    const auto refresh = [this] { act_file->setEnabled(!form_.session().records().empty()); };
    connect(&form_, &Form1::sessionRefreshed, this, refresh);
    refresh();
}

ArchiveActions::~ArchiveActions() = default;

// ---- where the archive is ----

std::unique_ptr<QSettings> ArchiveActions::openSettings() const {
    return settings();
}

QString ArchiveActions::localFile() const {
    const QString daten = form_.datenDir();
    if (QFileInfo(daten).fileName() == QLatin1String("daten"))
        return QDir::cleanPath(daten + QStringLiteral("/../") + kLocalName);
    // No data folder could be made: where it would have been.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(kLocalName);
}

QString ArchiveActions::server() const {
    return openSettings()->value(kServerKey).toString();
}

QString ArchiveActions::placeText() const {
    if (!fileForThisRun_.isEmpty())
        return placeText({}, fileForThisRun_);
    return placeText(server(), localFile());
}

QString ArchiveActions::placeText(const QString& serverName, const QString& file) {
    if (!serverName.isEmpty())
        return QStringLiteral("Archiv in der PostgreSQL-Datenbank: ") + serverName;
    return QStringLiteral("Archiv in der lokalen Datei ") + QDir::toNativeSeparators(file);
}

Archive ArchiveActions::openPlace(const QString& serverName, const QString& file) const {
    return serverName.isEmpty() ? Archive::openFile(file.toStdString())
                                : Archive::openServer(serverName.toStdString());
}

bool ArchiveActions::connectTo(const QString& serverName) {
    std::optional<Archive> opened;
    try {
        const WaitCursor wait;
        opened = openPlace(serverName, localFile());
    } catch (const ArchiveError& e) {
        form_.dialogs().inform(Form1::messageTitle(),
                               qs(e.what()) + QStringLiteral("\nDie bisherige Archiv-Verbindung "
                                                             "bleibt eingestellt."),
                               Icon::Warning);
        return false;
    }
    archive_ = std::move(opened);
    fileForThisRun_.clear();
    // Only a connection that worked is kept, so nothing the archive refused (a password) is
    // ever written to the settings.
    const std::unique_ptr<QSettings> store = openSettings();
    if (serverName.isEmpty())
        store->remove(kServerKey);
    else
        store->setValue(kServerKey, serverName);
    store->sync();
    emit archiveChanged();
    return true;
}

bool ArchiveActions::useFileForThisRun(const QString& path) {
    try {
        archive_ = Archive::openFile(path.toStdString());
    } catch (const ArchiveError& e) {
        showError(e);
        return false;
    }
    fileForThisRun_ = path;
    emit archiveChanged();
    return true;
}

void ArchiveActions::showError(const ArchiveError& error) {
    form_.dialogs().inform(Form1::messageTitle(), qs(error.what()),
                           error.kind() == ErrorKind::WriteFailed || error.kind() == ErrorKind::Busy
                               ? Icon::Critical
                               : Icon::Warning);
}

bool ArchiveActions::run(const std::function<void(Archive&)>& work) {
    std::optional<ArchiveError> failure;
    {
        const WaitCursor wait;
        try {
            if (!archive_)
                archive_ = fileForThisRun_.isEmpty()
                               ? openPlace(server(), localFile())
                               : Archive::openFile(fileForThisRun_.toStdString());
            work(*archive_);
        } catch (const ArchiveError& e) {
            failure = e;
        }
    }
    if (!failure)
        return true;
    // A server that went away is connected anew on the next step.
    if (failure->kind() == ErrorKind::Connection)
        archive_.reset();
    showError(*failure);
    return false;
}

// ---- menu commands ----

void ArchiveActions::showWindow() {
    if (window_ == nullptr)
        window_ = new ArchiveWindow(*this, form_);
    window_->show();
    window_->reload();
    window_->raise();
    window_->activateWindow();
}

void ArchiveActions::connection_Click() {
    ArchiveConnectionDialog dialog(localFile(), server(), &form_);
    form_.dialogs().runModal(dialog);
    if (dialog.result() != QDialog::Accepted)
        return;
    if (dialog.server() == server() && fileForThisRun_.isEmpty() && archive_)
        return;
    connectTo(dialog.server());
}

std::optional<ArchiveActions::SiteChoice> ArchiveActions::askSite(const QString& title,
                                                                  const QString& proposedName) {
    std::vector<archive::SiteRecord> sites;
    if (!run([&](Archive& a) {
            for (archive::SiteSummary& s : a.siteList())
                sites.push_back(std::move(s.site));
        }))
        return std::nullopt;
    ArchiveSiteDialog dialog(title, sites, proposedName, form_.analysePage->limit(), &form_);
    form_.dialogs().runModal(dialog);
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return SiteChoice{dialog.siteId(), dialog.newSite()};
}

std::int64_t ArchiveActions::siteFor(Archive& a, std::int64_t siteId, const archive::SiteData& data,
                                     bool& created) {
    created = siteId == 0;
    return created ? a.addSite(data) : siteId;
}

void ArchiveActions::file_Click() {
    if (form_.session().records().empty())
        return;
    const auto choice =
        askSite(QStringLiteral("In Archiv aufnehmen"), qs(form_.session().site().location));
    if (choice)
        fileCurrent(choice->id, choice->newSite);
}

std::optional<std::int64_t> ArchiveActions::fileCurrent(std::int64_t siteId,
                                                        const archive::SiteData& newSite) {
    std::optional<std::int64_t> filed;
    std::string what;
    const bool ok = run([&](Archive& a) {
        bool created = false;
        const std::int64_t site = siteFor(a, siteId, newSite, created);
        try {
            filed = a.file(site, form_.session());
        } catch (const ArchiveError&) {
            if (created)
                removeEmptySite(a, site);
            throw;
        }
        what = archive::entryText(a.entry(*filed));
    });
    if (!ok)
        return std::nullopt;
    emit archiveChanged();
    form_.dialogs().inform(Form1::messageTitle(), QStringLiteral("Abgelegt: ") + qs(what),
                           Icon::Information);
    return filed;
}

// ---- importing a folder ----

std::optional<QString> ArchiveActions::askFolder() {
    QFileDialog dialog(&form_, QStringLiteral("Ordner ins Archiv importieren"), form_.datenDir());
    dialog.setObjectName(QStringLiteral("archiveFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8("Auswählen"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
    form_.dialogs().runModal(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void ArchiveActions::import_Click() {
    const std::optional<QString> folder = askFolder();
    if (!folder)
        return;
    const auto choice =
        askSite(QStringLiteral("Ordner ins Archiv importieren"), QDir(*folder).dirName());
    if (choice)
        importFolder(*folder, choice->id, choice->newSite);
}

std::optional<ImportReport> ArchiveActions::importFolder(const QString& folder, std::int64_t siteId,
                                                         const archive::SiteData& newSite) {
    std::optional<ImportReport> report;
    const bool ok = run([&](Archive& a) {
        bool created = false;
        const std::int64_t site = siteFor(a, siteId, newSite, created);
        QProgressDialog progress(QString::fromUtf8("Dateien werden ins Archiv aufgenommen …"),
                                 QStringLiteral("Abbrechen"), 0, 0, &form_);
        progress.setObjectName(QStringLiteral("archiveImportProgress"));
        progress.setWindowTitle(Form1::messageTitle());
        progress.setWindowModality(Qt::ApplicationModal);
        // Shown before the first file, as "Abbrechen" must be reachable from the first file on.
        progress.setMinimumDuration(0);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        progress.setValue(0);
        // The arrow over "Abbrechen", not the busy cursor of the steps around it.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        QCoreApplication::processEvents();
        try {
            report = a.importFolder(site, nativePath(folder),
                                    [&progress](const archive::ImportItem&, int done, int total) {
                                        progress.setMaximum(total);
                                        progress.setValue(done);
                                        return !progress.wasCanceled();
                                    });
        } catch (const ArchiveError&) {
            if (created)
                removeEmptySite(a, site);
            throw;
        }
        progress.close();
        if (created && report->count(ImportOutcome::Filed) == 0)
            removeEmptySite(a, site);
    });
    if (!ok)
        return std::nullopt;
    if (report->count(ImportOutcome::Filed) > 0)
        emit archiveChanged();
    showImportSummary(folder, *report);
    return report;
}

void ArchiveActions::showImportSummary(const QString& folder, const ImportReport& report) {
    const int filed = report.count(ImportOutcome::Filed);
    QString text;
    if (report.total == 0) {
        text = QStringLiteral("Im Ordner \"%1\" gibt es keine Messdateien (.log, .spt).")
                   .arg(QDir::toNativeSeparators(folder));
    } else {
        text = QStringLiteral("Ordner \"%1\": ").arg(QDir::toNativeSeparators(folder)) +
               qs(archive::importSummaryText(report));
    }
    const auto untouched = report.total - static_cast<int>(report.items.size());
    if (report.cancelled)
        text += QStringLiteral(
                    "\nDer Import wurde abgebrochen; %1 Dateien wurden nicht mehr "
                    "aufgenommen.")
                    .arg(untouched);
    QStringList skipped;
    for (const archive::ImportItem& item : report.items) {
        const QString name = QFileInfo(shownPath(item.file)).fileName();
        if (item.outcome == ImportOutcome::AlreadyFiled)
            skipped << QStringLiteral("%1: schon im Archiv (Nr. %2)").arg(name).arg(item.id);
        else if (item.outcome != ImportOutcome::Filed)
            skipped << name + QStringLiteral(": ") + qs(item.message);
    }
    if (!skipped.isEmpty()) {
        const auto more = skipped.size() - kListedSkips;
        if (more > 0) {
            skipped = skipped.mid(0, kListedSkips);
            skipped << QStringLiteral("… und %1 weitere").arg(more);
        }
        text += QStringLiteral("\n\nÜbersprungen:\n") + skipped.join(QLatin1Char('\n'));
    }
    form_.dialogs().inform(Form1::messageTitle(), text,
                           filed == report.total ? Icon::Information : Icon::Warning);
}

// ---- one filed measurement ----

bool ArchiveActions::openFiled(std::int64_t id) {
    std::optional<archive::ReopenedMeasurement> filed;
    int limit = kDefaultSpeedLimit;
    if (!run([&](Archive& a) {
            filed = a.reopen(id);
            limit = a.site(a.entry(id).siteId).data.speedLimit;
        }))
        return false;
    // As a dropped file: unsaved work is asked about first and stays when the user cancels.
    form_.saveall();
    if (!form_.session().saved())
        return false;
    form_.analysePage->setLimit(limit);
    form_.session().applyLoad(std::move(filed->load), filed->name);
    form_.refreshFromSession();
    form_.raise();
    form_.activateWindow();
    return true;
}

bool ArchiveActions::compareWith(std::int64_t id) {
    std::optional<archive::ReopenedMeasurement> filed;
    if (!run([&](Archive& a) { filed = a.reopen(id); }))
        return false;
    form_.reportActions->setComparison(std::move(filed->load), qs(filed->name));
    form_.SSTab1->setCurrentWidget(form_.analysePage);
    form_.analysePage->scrollArea()->ensureWidgetVisible(form_.reportActions->view());
    form_.raise();
    form_.activateWindow();
    return true;
}

bool ArchiveActions::compareFiled(std::int64_t before, std::int64_t after) {
    return openFiled(before) && compareWith(after);
}

// ---- exports ----

std::optional<QString> ArchiveActions::exportTarget(const QString& caption, const QString& baseName,
                                                    Format format) {
    const QString ext = format == Format::Csv ? QStringLiteral("csv") : QStringLiteral("pdf");
    const std::optional<QString> chosen = form_.dialogs().saveFile(
        caption, form_.datenDir(), fileNamePart(baseName) + QLatin1Char('.') + ext,
        qtFileFilter(QStringLiteral(" (*.%1)|*.%1").arg(ext)), ext);
    if (!chosen || chosen->isEmpty() || !form_.writeIfExists(*chosen))
        return std::nullopt;
    return chosen;
}

bool ArchiveActions::writeExport(const QString& path, Format format, const std::string& csv,
                                 const report::ArchiveList& pages) {
    std::string why;
    QString error;
    const bool ok = format == Format::Csv ? writeFileBytes(nativePath(path), csv, &why)
                                          : report::writeArchiveListPdf(path, pages, &error);
    if (!ok)
        form_.dialogs().inform(Form1::messageTitle(), error.isEmpty() ? qs(why) : error,
                               Icon::Critical);
    return ok;
}

bool ArchiveActions::exportHotspots(Format format) {
    std::vector<archive::Hotspot> ranking;
    if (!run([&](Archive& a) { ranking = a.hotspots(); }))
        return false;
    const std::optional<QString> path =
        exportTarget(format == Format::Csv ? QStringLiteral("Brennpunkte als CSV speichern")
                                           : QStringLiteral("Brennpunkte als PDF speichern"),
                     QStringLiteral("Brennpunkte"), format);
    if (!path)
        return false;
    const bool csv = format == Format::Csv;
    return writeExport(*path, format, csv ? archive::hotspotsCsv(ranking) : std::string(),
                       csv ? report::ArchiveList() : hotspotList(ranking, form_.todayText()));
}

bool ArchiveActions::exportHistory(std::int64_t siteId, Format format) {
    std::optional<archive::SiteRecord> site;
    std::vector<archive::FiledEntry> history;
    if (siteId == 0 || !run([&](Archive& a) {
            site = a.site(siteId);
            history = a.history(siteId);
        }))
        return false;
    const std::optional<QString> path =
        exportTarget(format == Format::Csv ? QStringLiteral("Verlauf als CSV speichern")
                                           : QStringLiteral("Verlauf als PDF speichern"),
                     QStringLiteral("Verlauf ") + qs(site->data.name), format);
    if (!path)
        return false;
    const bool csv = format == Format::Csv;
    return writeExport(
        *path, format, csv ? archive::historyCsv(*site, history) : std::string(),
        csv ? report::ArchiveList() : historyList(*site, history, form_.todayText()));
}

}  // namespace korvala::ui
