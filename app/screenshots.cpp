#include "screenshots.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "output/report/archive_pages.h"
#include "ui/analyse_page.h"
#include "ui/archive_actions.h"
#include "ui/archive_lists.h"
#include "ui/archive_trend.h"
#include "ui/archive_window.h"
#include "ui/comparison_view.h"
#include "ui/datandtime.h"
#include "ui/form1.h"
#include "ui/report_actions.h"
#include "ui/splash.h"

namespace korvala {

namespace {

// Index of the pages in the window's tab widget.
constexpr int kSpeedPage = 1;
constexpr int kAnalysePage = 4;

// The picture of the clock dialog shows a card, not the mounts of whatever machine took it (a
// build container lists /dev, /etc/hosts and the like), and a fixed moment, so retaking the
// pictures changes no file unless the dialog changed: shortly before the sample week began.
const QString kExampleCardDrive = QStringLiteral("/media/benutzer/SD-KARTE");
const QDateTime kExampleNow(QDate(2026, 12, 1), QTime(13, 45, 0));
// The archive as a user keeps it, rather than the temporary file the pictures were taken from.
const QString kExampleArchive = QStringLiteral("/home/benutzer/.local/share/korvala/archiv.sqlite");

void complain(const QString& message) {
    std::fprintf(stderr, "korvala --screenshot: %s\n", message.toLocal8Bit().constData());
}

bool save(QWidget& widget, const QString& dir, const QString& name) {
    const QString file = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(file)) {
        complain(QStringLiteral("%1 konnte nicht geschrieben werden.").arg(file));
        return false;
    }
    return true;
}

// Runs `call`, which may open modal dialogs, without ever waiting for a person: a timer looks
// into every modal event loop `call` starts, hands the dialog to `seen` and closes it. Without a
// modal dialog `call` returns by itself and the timer never fires.
void runUnattended(const std::function<void()>& call, const std::function<void(QWidget&)>& seen) {
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        // Layouts and the first paint of the dialog happen on posted events.
        QApplication::processEvents();
        seen(*modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    });
    closer.start();
    call();
}

// A modal dialog nobody asked for, as a failed load's message: say what it said.
void reportUnexpected(QWidget& modal) {
    QString text = modal.windowTitle();
    if (const auto* box = qobject_cast<QMessageBox*>(&modal)) {
        text += QStringLiteral(": ") + box->text();
    }
    complain(QStringLiteral("unerwarteter Dialog: %1").arg(text));
}

// Runs `open`, which shows the modal dialog named `objectName`, and saves that dialog as `name`
// as it first appears, after `prepare` had its say.
bool grabModal(const std::function<void()>& open, const QString& objectName, const QString& dir,
               const QString& name, const std::function<void(QWidget&)>& prepare = {}) {
    bool seen = false;
    bool saved = false;
    runUnattended(open, [&](QWidget& modal) {
        if (seen || modal.objectName() != objectName) {
            reportUnexpected(modal);
            return;
        }
        seen = true;
        if (prepare) {
            prepare(modal);
            QApplication::processEvents();
        }
        saved = save(modal, dir, name);
    });
    if (!seen) {
        complain(QStringLiteral("der Dialog %1 erschien nicht.").arg(objectName));
    }
    return saved;
}

bool savePages(ui::Form1& window, const QString& dir) {
    for (int i = 0; i < window.SSTab1->count(); ++i) {
        window.SSTab1->setCurrentIndex(i);
        QApplication::processEvents();
        if (!save(window, dir, QStringLiteral("tab%1").arg(i))) {
            return false;
        }
    }
    return true;
}

// "Datum/Uhrzeit" as the user opens it from the menu bar.
bool saveClockDialog(ui::Form1& window, const QString& dir) {
    return grabModal(
        [&window] { window.act_dat_time->trigger(); }, QStringLiteral("datAndtime"), dir,
        QStringLiteral("clock"),
        [](QWidget& modal) {
            if (auto* clock = qobject_cast<ui::datAndtime*>(&modal)) {
                // The dialog took its width from the machine's own drive list; it is sized anew
                // for the example.
                clock->Drive1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
                clock->setDrives({kExampleCardDrive});
                clock->adjustSize();
                clock->t_aktTime->stop();
                clock->datum->setSelectedDate(kExampleNow.date());
                clock->Text2->setText(kExampleNow.time().toString(QStringLiteral("hh:mm:ss")));
            }
        });
}

// The printer button of the "Geschwindigkeit" page opens the preview of the chart shown there.
bool savePrintPreview(ui::Form1& window, const QString& dir) {
    window.SSTab1->setCurrentIndex(kSpeedPage);
    QApplication::processEvents();
    return grabModal([&window] { window.cmd_printCh1->click(); }, QStringLiteral("Druck"), dir,
                     QStringLiteral("preview"));
}

// The Analyse page scrolled down to the comparison section, with `file` as the second
// measurement. The window grows to the height of the screen for it: the section is taller than
// the page at its normal size, and the picture should show it whole.
bool saveComparison(ui::Form1& window, const QString& dir, const QString& file) {
    bool loaded = false;
    runUnattended([&] { loaded = window.reportActions->openComparison(file); }, reportUnexpected);
    if (!loaded || !window.reportActions->view()->isVisibleTo(window.analysePage)) {
        complain(QStringLiteral("die Vergleichsmessung %1 wurde nicht geladen.").arg(file));
        return false;
    }
    window.SSTab1->setCurrentIndex(kAnalysePage);
    const QSize normalSize = window.size();
    QScrollArea* scroll = window.analysePage->scrollArea();
    QWidget* section = window.reportActions->view();
    QApplication::processEvents();
    // Grow by what the section lacks, as far as the screen allows.
    const int missing = section->height() + 12 - scroll->viewport()->height();
    if (missing > 0) {
        int height = normalSize.height() + missing;
        if (const QScreen* screen = window.screen()) {
            const int frame = window.frameGeometry().height() - window.height();
            height = std::min(height, screen->availableGeometry().height() - frame);
        }
        window.resize(normalSize.width(), height);
        QApplication::processEvents();
    }
    const int top = section->mapTo(scroll->widget(), QPoint(0, 0)).y();
    scroll->verticalScrollBar()->setValue(top - 6);
    QApplication::processEvents();
    const bool ok = save(window, dir, QStringLiteral("compare"));
    window.resize(normalSize);
    scroll->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    return ok;
}

// The site measured most often, whose history shows the longest trend.
std::optional<archive::SiteRecord> busiestSite(ui::ArchiveActions& actions) {
    std::optional<archive::SiteSummary> busiest;
    actions.run([&](archive::Archive& a) {
        for (archive::SiteSummary& s : a.siteList())
            if (!busiest || s.measurements > busiest->measurements)
                busiest = std::move(s);
    });
    return busiest ? std::optional<archive::SiteRecord>(busiest->site) : std::nullopt;
}

// The archive window on `file` with its site list, history and trend, then the hotspots, and
// the busiest site's history as PDF pages.
bool saveArchive(ui::Form1& window, const QString& dir, const QString& file) {
    ui::ArchiveActions& actions = *window.archiveActions;
    bool opened = false;
    runUnattended([&] { opened = actions.useFileForThisRun(file); }, reportUnexpected);
    const std::optional<archive::SiteRecord> site =
        opened ? busiestSite(actions) : std::optional<archive::SiteRecord>();
    if (!site) {
        complain(QStringLiteral("das Archiv %1 hat keine Messstelle.").arg(file));
        return false;
    }
    std::vector<archive::FiledEntry> history;
    actions.run([&](archive::Archive& a) { history = a.history(site->id); });
    runUnattended([&] { actions.showWindow(); }, reportUnexpected);
    ui::ArchiveWindow& archiveWindow = *actions.window();
    archiveWindow.showSite(site->id);
    archiveWindow.placeLabel->setText(ui::ArchiveActions::placeText({}, kExampleArchive));
    QApplication::processEvents();
    bool ok = save(archiveWindow, dir, QStringLiteral("archive"));
    archiveWindow.tabs->setCurrentIndex(1);
    QApplication::processEvents();
    ok = save(archiveWindow, dir, QStringLiteral("hotspots")) && ok;
    archiveWindow.close();

    // The trend larger than the window shows it, so the guide's picture reads at print size.
    ui::ArchiveTrend trend;
    trend.setTrend(ui::trendPoints(history), site->data.speedLimit);
    trend.resize(820, 400);
    trend.show();
    QApplication::processEvents();
    ok = save(trend, dir, QStringLiteral("trend")) && ok;
    trend.close();

    QString error;
    if (!report::writeArchiveListPdf(QDir(dir).filePath(QStringLiteral("archive-history.pdf")),
                                     ui::historyList(*site, history, window.todayText()), &error)) {
        complain(error);
        ok = false;
    }
    return ok;
}

// The debug column, uncovered as the user does it: ten presses on the status bar.
bool saveDebugColumn(ui::Form1& window, const QString& dir) {
    for (int i = 0; i < 10; ++i) {
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, window.SB->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.SB, &press);
    }
    QApplication::processEvents();
    window.SSTab1->setCurrentIndex(0);
    return save(window, dir, QStringLiteral("debug"));
}

}  // namespace

int takeScreenshots(ui::Form1& window, const ScreenshotOptions& options) {
    const QString& dir = options.dir;
    QDir().mkpath(dir);
    bool ok = savePages(window, dir);
    ok = saveClockDialog(window, dir) && ok;
    ok = savePrintPreview(window, dir) && ok;
    if (!options.compareFile.isEmpty()) {
        ok = saveComparison(window, dir, options.compareFile) && ok;
    }
    if (!options.archiveFile.isEmpty()) {
        ok = saveArchive(window, dir, options.archiveFile) && ok;
    }
    // Last: the debug column widens the window for good.
    ok = saveDebugColumn(window, dir) && ok;
    ui::frmSplash splash;
    ui::frmAbout about(&window);
    splash.adjustSize();
    about.adjustSize();
    ok = save(splash, dir, QStringLiteral("splash")) && ok;
    ok = save(about, dir, QStringLiteral("about")) && ok;
    return ok ? 0 : 1;
}

}  // namespace korvala
