// The commands of the main window: opening, saving, leaving, the site fields and the day
// selection, and the refresh of the views from the session after each of them.

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTableView>
#include <QTextEdit>
#include <QUrl>

#include "model/encoding.h"
#include "model/measurement_file.h"
#include "ui/analyse_page.h"
#include "ui/app_texts.h"
#include "ui/data_folder.h"
#include "ui/day_buttons.h"
#include "ui/day_grid_model.h"
#include "ui/form1.h"
#include "ui/native_path.h"

namespace korvala::ui {

namespace {

const QString kOpenFilter = QStringLiteral(" (*.spt)|*.spt|(*.log)|*.log");
const QString kSaveFilter = QStringLiteral(" (*.spt)|*.spt");
const QString kRtfFilter = QStringLiteral("RichText (*.rtf)|*.rtf");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)|*.csv");

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The name of the one local file a drag carries, as the file system spells it, or an empty
// string. QUrl::toLocalFile() would replace bytes that are not valid in the system's encoding
// (a Latin-1 byte on a UTF-8 system), and such a file would then not be found. Files of other
// kinds are taken too: the drop explains why they are not loaded.
std::string droppableFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return {};
    }
    const QUrl& url = urls.front();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

QString qtFileFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            out << description;
        } else {
            out << (description.isEmpty() ? QString() : description + QLatin1Char(' ')) +
                       QLatin1Char('(') + pattern + QLatin1Char(')');
        }
    }
    return out.join(QStringLiteral(";;"));
}

QString Form1::datenDir() const {
    return prepareDataFolder(options_.programDir,
                             QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation),
                             options_.samplesDir, QDir::homePath())
        .path;
}

// ---- opening ----

void Form1::open_Click() {
    const std::optional<QString> chosen =
        dialogs_.openFile(QString::fromUtf8("Öffnen"), datenDir(), qtFileFilter(kOpenFilter));
    if (chosen) {
        lastDialogName = *chosen;
    }
    if (!chosen || chosen->isEmpty()) {
        // The dialog still holds the name it held before it was shown.
        session_.adoptFileName(nativePath(lastDialogName));
        return;
    }
    openPath(*chosen);
}

bool Form1::openPath(const QString& path) {
    return load(nativePath(path), path, false);
}

bool Form1::openNamedFile(const std::string& path) {
    return load(path, shownPath(path), true);
}

bool Form1::load(const std::string& path, const QString& shown, bool reportForeign) {
    beginBusy();
    const LoadResult result = session_.openFile(path);
    const bool loaded = result.outcome == LoadOutcome::Loaded;
    if (loaded) {
        refreshFromSession();
    }
    endBusy();
    if (reportForeign && (result.outcome == LoadOutcome::UnknownKind ||
                          result.outcome == LoadOutcome::NotDeviceLog)) {
        dialogs_.inform(messageTitle(), qs(loadFailureText(result, shown.toStdString())),
                        Icon::Warning);
    }
    showLoadFailure(result, shown);
    return loaded;
}

void Form1::showLoadFailure(const LoadResult& result, const QString& path) {
    // A file of another kind, or a .log that is no device log, is passed over in silence: the
    // dialog's filter offers neither.
    if (result.outcome != LoadOutcome::WrongFormat && result.outcome != LoadOutcome::NotReadable) {
        return;
    }
    dialogs_.inform(messageTitle(), qs(loadFailureText(result, path.toStdString())),
                    result.outcome == LoadOutcome::WrongFormat ? Icon::Critical : Icon::Warning);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppableFile(event->mimeData()).empty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    const std::string path = droppableFile(event->mimeData());
    if (path.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Unlike "Öffnen", a drop can come by accident while work is unsaved: ask first, and keep
    // the data when the user cancels or the save fails. A file of another kind replaces
    // nothing, so it only gets its message.
    if (fileKindOf(path) != FileKind::Unknown) {
        saveall();
        if (!session_.saved()) {
            return;
        }
        lastDialogName = shownPath(path);
    }
    openNamedFile(path);
}

// ---- saving ----

void Form1::save_Click() {
    // The device's .log or an exported file is never replaced by a .spt under its name: the
    // data go to a file of their own, chosen in the save dialog.
    if (!session_.canSaveInPlace()) {
        saveas_Click();
    } else if (!session_.saved()) {
        saveIt();
    }
}

void Form1::saveas_Click() {
    if (!session_.siteComplete()) {
        dialogs_.inform(messageTitle(), QStringLiteral("Ort oder Datum ist nicht eingegeben!"),
                        Icon::None);
        return;
    }
    if (!confirmSiteTexts()) {
        return;
    }
    session_.createDefFileName();
    const QString proposed = qs(session_.proposedSaveName());
    lastDialogName = proposed;
    const std::optional<QString> chosen =
        dialogs_.saveFile(QStringLiteral("Speichern unter"), datenDir(), proposed,
                          qtFileFilter(kSaveFilter), QStringLiteral("spt"));
    if (!chosen || chosen->isEmpty()) {
        session_.adoptFileName({});
        return;
    }
    lastDialogName = *chosen;
    if (writeIfExists(*chosen)) {
        std::string error;
        reportSaveResult(session_.saveAs(nativePath(*chosen), &error), error);
    } else {
        session_.adoptFileName({});
    }
}

void Form1::saveIt() {
    if (!confirmSiteTexts()) {
        return;
    }
    std::string error;
    reportSaveResult(session_.saveIt(&error), error);
}

void Form1::reportSaveResult(bool ok, const std::string& error) {
    if (!ok) {
        dialogs_.inform(
            messageTitle(),
            QStringLiteral("Die Datei konnte nicht gespeichert werden:\n%1\n%2")
                .arg(QDir::toNativeSeparators(shownPath(session_.fileName())), qs(error)),
            Icon::Warning);
    }
    refreshMenus();
}

bool Form1::confirmSiteTexts() {
    const std::string loss = sptSiteLossText(session_.site());
    if (loss.empty()) {
        return true;
    }
    return dialogs_.ask(QStringLiteral("Speichern"),
                        qs(loss) + QStringLiteral("\n\nTrotzdem speichern?"), Buttons::YesNo,
                        Icon::Warning) == Answer::Yes;
}

void Form1::saveall() {
    if (session_.saved()) {
        return;
    }
    const Answer answer =
        dialogs_.ask(QStringLiteral("Speichern?"),
                     QStringLiteral("Sollen die Aktuellen Daten gespeichert werden?"),
                     Buttons::YesNoCancel, Icon::None);
    switch (answer) {
        case Answer::Yes:
            if (!session_.siteComplete()) {
                dialogs_.inform(messageTitle(),
                                QStringLiteral("Bitte geben Sie Ort und Datum ein! "), Icon::None);
            } else if (session_.canSaveInPlace()) {
                saveIt();
            } else {
                saveas_Click();
            }
            break;
        case Answer::No:
            session_.discardChanges();
            break;
        case Answer::Cancel:
        case Answer::Ok:
            break;
    }
}

bool Form1::writeIfExists(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        return true;
    }
    return dialogs_.ask(
               QStringLiteral("Überschreiben"),
               QString::fromUtf8("Die Datei existiert bereits. Möchten Sie diese Überschreiben? "),
               Buttons::YesNo, Icon::None) == Answer::Yes;
}

// ---- exports ----

void Form1::cmd_datendruck_Click() {
    const Answer answer = dialogs_.ask(
        messageTitle(),
        QStringLiteral(
            "Sollen die Messdaten jezt formatiert werden. Dies kann einige Minuten dauern "),
        Buttons::OkCancel, Icon::None);
    // Without records there is no list to build: the question is all the button does then.
    if (answer != Answer::Ok || session_.records().empty()) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_.setPanel(1, "Daten werden vorbereitet");
    flushStatus();
    std::string document = session_.rtfDocument();
    QApplication::restoreOverrideCursor();
    dialogs_.inform(messageTitle(),
                    QString::fromUtf8("Die Daten werden in das RTF-Format konvertiert. \r\n"
                                      " Sie können die erstellte Datei mit Microsoft "
                                      "Write/WordPad, MS Word Drucken oder weiter bearbeiten!\r\n"
                                      " Bitte speichern Sie die Datei ab!"),
                    Icon::None);
    rtfExport(document);
    document.clear();
    session_.setPanel(1, "");
    flushStatus();
}

std::optional<QString> Form1::exportTarget(const char* ext, const QString& filter) {
    const QString proposed = qs(session_.prepareExportName(std::string(".") + ext));
    lastDialogName = proposed;
    const std::optional<QString> chosen =
        dialogs_.saveFile(QStringLiteral("Speichern unter"), datenDir(), proposed,
                          qtFileFilter(filter), QString::fromLatin1(ext));
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    // The dialog holds the chosen name whatever the overwrite question gets for an answer.
    lastDialogName = *chosen;
    if (!writeIfExists(*chosen)) {
        return std::nullopt;
    }
    return chosen;
}

void Form1::rtfExport(const std::string& datastr) {
    // A file that cannot be written is left alone without a message; the write goes through a
    // temporary file, so an older list under that name survives a full disk.
    if (const auto target = exportTarget("rtf", kRtfFilter)) {
        writeFileBytes(nativePath(*target), datastr + "\r\n");
    }
}

void Form1::export_Click() {
    // The untrimmed texts count here, as for saving.
    if (!session_.siteComplete()) {
        dialogs_.inform(messageTitle(), QStringLiteral("Ort oder Datum ist nicht eingegeben!"),
                        Icon::None);
        return;
    }
    csvExport();
}

void Form1::csvExport() {
    if (const auto target = exportTarget("csv", kCsvFilter)) {
        writeFileBytes(nativePath(*target), session_.csvBytes());
    }
}

// ---- leaving ----

void Form1::exit_Click() {
    saveall();
    if (session_.saved()) {
        exitall();
    }
}

void Form1::exitall() {
    if (!shutDown_) {
        shutDown_ = true;
        if (beforeExit) {
            beforeExit();
        }
    }
    QApplication::closeAllWindows();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!session_.saved()) {
        // The question is asked, but the window stays whatever the answer: the user closes again.
        saveall();
        event->ignore();
        return;
    }
    if (!shutDown_) {
        shutDown_ = true;
        if (beforeExit) {
            beforeExit();
        }
    }
    event->accept();
}

// ---- site fields ----

void Form1::cmd_today_Click() {
    session_.setStartDate(todayText().toStdString());
    refreshSiteFields();
}

void Form1::text4LostFocus() {
    session_.setStartDate(Text4->text().toStdString());
    if (!session_.commitStartDate(todayText().toStdString())) {
        dialogs_.inform(messageTitle(), QStringLiteral("Falsche Datums-Format!"), Icon::None);
    }
    refreshSiteFields();
    refreshReport();
    // The weekdays of the analysis follow the start date.
    analysePage->refresh(session_);
}

void Form1::text5LostFocus() {
    session_.rebuildReport();
    refreshReport();
}

// ---- day selection and grids ----

void Form1::hideflex() {
    for (QTableView* v : MSFlex) {
        v->hide();
    }
}

void Form1::clearflex(int index) {
    gridModels.at(static_cast<std::size_t>(index))->clear();
}

void Form1::fillflex(const Table& table, int index) {
    gridModels.at(static_cast<std::size_t>(index))->fill(&table);
    dlg_daten->hide();
}

void Form1::showDay(int index, int tagId) {
    if (SSTab1->currentIndex() != tagId || index < 0 || index >= kDays) {
        return;
    }
    hideflex();
    session_.showDay(index);
    MSFlex[static_cast<std::size_t>(session_.selectedDay())]->show();
    for (DayButtons* row : {Tage, Tage0, Tage1, Tage3}) {
        row->select(session_.selectedDay());
    }
    refreshDayViews();
    emit dayShown(index);
}

void Form1::gridActivated(int index) {
    if (gridModels.at(static_cast<std::size_t>(index))->recordRows() < 1) {
        return;
    }
    session_.rebuildReport();
    refreshReport();
}

// ---- refreshing ----

void Form1::refreshFromSession() {
    refreshSiteFields();
    refreshMenus();
    for (DayButtons* row : {Tage, Tage1, Tage0, Tage3}) {
        row->setCaptions(session_.dayButtonCaptions(row->tag()));
        row->setEnabledDays(session_.dayEnabled());
        row->select(session_.selectedDay());
    }
    for (int i = 0; i < kDays; ++i) {
        clearflex(i);
    }
    for (int i = 0; i < kDays; ++i) {
        fillflex(session_.days()[static_cast<std::size_t>(i)], i);
    }
    hideflex();
    MSFlex[static_cast<std::size_t>(session_.selectedDay())]->show();
    refreshDayViews();
    analysePage->refresh(session_);
    emit sessionRefreshed();
}

void Form1::refreshDayViews() {
    Frame1->setTitle(qs(session_.frame1Caption()));
    lbl_ds->setText(qs(session_.lbl_ds()));
    lbl_vmin->setText(qs(session_.lbl_vmin()));
    lbl_vmax->setText(qs(session_.lbl_vmax()));
    lbl_dV->setText(qs(session_.lbl_dV()));
    refreshReport();
    refreshCharts();
    flushStatus();
}

void Form1::refreshReport() {
    rtf->setPlainText(toQtLineBreaks(qs(session_.reportText())));
}

void Form1::refreshMenus() {
    act_save->setEnabled(session_.saveEnabled());
    act_saveas->setEnabled(session_.saveAsEnabled());
    act_export->setEnabled(session_.exportEnabled());
}

void Form1::refreshSiteFields() {
    updatingFields_ = true;
    const QString location = qs(session_.site().location);
    const QString date = qs(session_.site().startDate);
    const QString remark = toQtLineBreaks(qs(session_.site().remark));
    if (Text3->text() != location) {
        Text3->setText(location);
    }
    if (Text4->text() != date) {
        Text4->setText(date);
    }
    if (Text5->toPlainText() != remark) {
        Text5->setPlainText(remark);
    }
    updatingFields_ = false;
}

void Form1::refreshCharts() {
    if (chartsRefresh) {
        chartsRefresh();
    }
}

}  // namespace korvala::ui
