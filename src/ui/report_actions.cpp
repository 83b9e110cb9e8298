#include "ui/report_actions.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QScrollArea>
#include <QVBoxLayout>

#include "model/measurement_file.h"
#include "output/report/traffic_report.h"
#include "ui/analyse_page.h"
#include "ui/comparison_view.h"
#include "ui/form1.h"
#include "ui/native_path.h"

namespace korvala::ui {

namespace {

const QString kOpenFilter = QStringLiteral(" (*.spt)|*.spt|(*.log)|*.log");
const QString kPdfFilter = QStringLiteral(" (*.pdf)|*.pdf");

QAction* namedAction(const char* name, const QString& text, QObject* parent) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

ReportActions::ReportActions(Form1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("reportActions"));
    act_pdf = namedAction("pdf", QString::fromUtf8("Bericht als PDF …"), this);
    act_compare = namedAction("compare", QString::fromUtf8("Vergleichsmessung öffnen …"), this);
    act_compareClose = namedAction("compareClose", QString::fromUtf8("Vergleich schließen"), this);
    // Right after "Export (CSV)": the other ways a measurement leaves the program.
    form_.fileMenu->insertActions(form_.act_exit, {act_pdf, act_compare, act_compareClose});
    connect(act_pdf, &QAction::triggered, this, &ReportActions::pdf_Click);
    connect(act_compare, &QAction::triggered, this, &ReportActions::compare_Click);
    connect(act_compareClose, &QAction::triggered, this, &ReportActions::compareClose_Click);

    // The section goes below the page's own groups, ahead of the closing stretch, so the page's
    // layout stays as its author made it.
    view_ = new ComparisonView();
    QWidget* content = form_.analysePage->scrollArea()->widget();
    auto* column = content ? qobject_cast<QVBoxLayout*>(content->layout()) : nullptr;
    if (column != nullptr) {
        int at = column->count();
        if (at > 0 && column->itemAt(at - 1)->spacerItem() != nullptr)
            --at;
        column->insertWidget(at, view_);
    } else {
        view_->setParent(form_.analysePage);
    }
    view_->hide();

    connect(&form_, &Form1::sessionRefreshed, this, &ReportActions::refresh);
    connect(form_.analysePage, &AnalysePage::limitChanged, this, [this] {
        afterFigures_.reset();
        refresh();
    });
    refresh();
}

ReportActions::~ReportActions() = default;

void ReportActions::refresh() {
    const Session& current = form_.session();
    act_pdf->setEnabled(!current.records().empty());
    act_compareClose->setEnabled(comparisonLoaded());
    comparison_.reset();
    if (!comparisonLoaded()) {
        view_->setComparison(nullptr, form_.analysePage->analysis(), {}, {});
        return;
    }
    const int limit = form_.analysePage->limit();
    if (!afterFigures_ || afterFigures_->analysis.limit != limit)
        afterFigures_ =
            figuresOf(comparisonSession_->days(), comparisonSession_->analysisInput(limit));
    const MeasurementFigures before = figuresOf(current.days(), current.analysisInput(limit));
    comparison_ = compare(before, *afterFigures_);
    view_->setComparison(comparison_ ? &*comparison_ : nullptr, before.analysis,
                         shownPath(current.fileName()), comparisonFile_);
}

void ReportActions::compare_Click() {
    const std::optional<QString> chosen = form_.dialogs().openFile(
        QString::fromUtf8("Vergleichsmessung öffnen"), form_.datenDir(), qtFileFilter(kOpenFilter));
    if (chosen && !chosen->isEmpty())
        openComparison(*chosen);
}

bool ReportActions::openComparison(const QString& path) {
    auto loaded = std::make_unique<Session>(form_.todayText().toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const LoadResult result = loaded->openFile(nativePath(path));
    QApplication::restoreOverrideCursor();
    if (result.outcome != LoadOutcome::Loaded) {
        // A failed load keeps the comparison shown before; only a good one replaces it.
        form_.showLoadFailure(result, path);
        return false;
    }
    adopt(std::move(loaded), path);
    return true;
}

void ReportActions::setComparison(LoadResult&& load, const QString& name) {
    auto loaded = std::make_unique<Session>(form_.todayText().toStdString());
    loaded->applyLoad(std::move(load), nativePath(name));
    adopt(std::move(loaded), name);
}

void ReportActions::adopt(std::unique_ptr<Session> comparison, const QString& file) {
    comparisonSession_ = std::move(comparison);
    comparisonFile_ = file;
    afterFigures_.reset();
    refresh();
}

void ReportActions::compareClose_Click() {
    comparisonSession_.reset();
    comparisonFile_.clear();
    afterFigures_.reset();
    refresh();
}

void ReportActions::pdf_Click() {
    const Session& s = form_.session();
    if (s.records().empty())
        return;
    // The name "Speichern unter" would propose, without touching the session's own.
    QString base = QString::fromStdString(createDefFileName(s.site().location, s.site().startDate));
    if (base.isEmpty())
        base = s.fileName().empty()
                   ? QStringLiteral("Bericht")
                   : QFileInfo(QString::fromStdString(s.fileName())).completeBaseName();
    const std::optional<QString> chosen = form_.dialogs().saveFile(
        QStringLiteral("Bericht als PDF"), form_.datenDir(), base + QStringLiteral(".pdf"),
        qtFileFilter(kPdfFilter), QStringLiteral("pdf"));
    if (!chosen || chosen->isEmpty() || !form_.writeIfExists(*chosen))
        return;
    writeReport(*chosen);
}

bool ReportActions::writeReport(const QString& path) {
    const Session& s = form_.session();
    const Analysis analysis = s.analyze(form_.analysePage->limit());
    TrafficReportInput in = trafficReportInput(s, analysis);
    if (comparison_) {
        in.comparison = &*comparison_;
        in.comparisonFile = comparisonFile_;
    }
    const int total = trafficReportPageCount(in);
    QProgressDialog progress(QString::fromUtf8("Bericht wird erstellt …"),
                             QStringLiteral("Abbrechen"), 0, total, &form_);
    progress.setObjectName(QStringLiteral("reportProgress"));
    progress.setWindowTitle(Form1::messageTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    // Shown at once: a week's report takes under a second, but "Abbrechen" must be reachable
    // from the first page on, and the dialog only handles events once it is shown.
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setValue(0);
    QString error;
    const bool ok = writeTrafficReportPdf(path, in, &error, [&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.close();
    if (!ok && !error.isEmpty()) {
        form_.dialogs().inform(
            Form1::messageTitle(),
            QStringLiteral("Der Bericht konnte nicht geschrieben werden:\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), error),
            Icon::Critical);
    }
    return ok;
}

}  // namespace korvala::ui
