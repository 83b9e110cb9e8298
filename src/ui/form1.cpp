// Construction and layout of the main window, start-up, and the small handlers that belong to the
// window itself (status bar, watchdog, overlays). The file commands are in form1_commands.cpp.

#include "ui/form1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "ui/analyse_page.h"
#include "ui/app_texts.h"
#include "ui/archive_actions.h"
#include "ui/button_icons.h"
#include "ui/data_folder.h"
#include "ui/day_buttons.h"
#include "ui/day_grid_model.h"
#include "ui/report_actions.h"
#include "ui/splash.h"
#include "ui/twips.h"

namespace korvala::ui {

namespace {

Form1Options withDefaults(Form1Options o) {
    if (!o.today) {
        o.today = [] { return QDate::currentDate(); };
    }
    if (o.programDir.isEmpty()) {
        o.programDir = QCoreApplication::applicationDirPath();
    }
    if (o.samplesDir.isEmpty()) {
        o.samplesDir = installedSamplesDir(o.programDir);
    }
    return o;
}

std::string dateText(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yy")).toStdString();
}

// Dead keys, compose sequences and input methods hand the typed text over as an input method
// event, without a key press reaching the field. Empty events (focus changes, resets) are no
// typing.
bool isTyping(const QEvent* event) {
    if (event->type() != QEvent::InputMethod) {
        return false;
    }
    const auto* im = static_cast<const QInputMethodEvent*>(event);
    return !im->commitString().isEmpty() || !im->preeditString().isEmpty();
}

QAction* namedAction(const char* name, const QString& text, QObject* parent) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

void StatusBar::mousePressEvent(QMouseEvent* event) {
    QStatusBar::mousePressEvent(event);
    emit activated();
}

Form1::Form1(Dialogs& dialogs, Form1Options options, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      options_(withDefaults(std::move(options))),
      session_(dateText(options_.today())) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(mainWindowTitle());
    // Dialogs opened from the window take its icon.
    setWindowIcon(applicationIcon());

    buildMenus();

    auto* central = new QWidget(this);
    auto* centralLayout = new QHBoxLayout(central);
    centralLayout->setContentsMargins(4, 4, 4, 4);
    auto* pagesHost = new QWidget(central);
    auto* pagesLayout = new QGridLayout(pagesHost);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    SSTab1 = new QTabWidget(pagesHost);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildOverviewPage(), QString::fromUtf8("Übersicht"));
    SSTab1->addTab(buildSpeedPage(), QStringLiteral("Geschwindigkeit"));
    SSTab1->addTab(buildHourPage(), QStringLiteral("Anzahl der KFZ"));
    SSTab1->addTab(buildReportPage(), QStringLiteral("Report"));
    analysePage = new AnalysePage(SSTab1);
    SSTab1->addTab(analysePage, QStringLiteral("Analyse"));
    pagesLayout->addWidget(SSTab1, 0, 0);
    buildOverlays(pagesHost);
    centralLayout->addWidget(pagesHost, 1);
    debugColumn = buildDebugColumn();
    debugColumn->setParent(central);
    centralLayout->addWidget(debugColumn);
    debugColumn->hide();
    setCentralWidget(central);
    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form1::timer1Tick);
    inputTimer = new QTimer(this);
    inputTimer->setObjectName(QStringLiteral("inputTimer"));
    inputTimer->setInterval(300);

    // The evaluation rewrites a panel for every vehicle; the labels take the last text once the
    // work is done (or at the next refresh), not hundreds of thousands of times.
    session_.onStatus = [this](int panel, const std::string&) {
        if (panel < 1 || panel > static_cast<int>(panels.size())) {
            return;
        }
        statusDirty_ |= 1u << (panel - 1);
        if (!statusFlushQueued_) {
            statusFlushQueued_ = true;
            QTimer::singleShot(0, this, &Form1::flushStatus);
        }
    };

    resize(twipsToPxX(kNormalWidthTwips, this), twipsToPxY(kHeightTwips, this));
    keepOnScreen();
    setAcceptDrops(true);

    startUp();
}

// The splash first, then an empty measurement dated today, shown as every later one is.
void Form1::startUp() {
    if (options_.showSplash) {
        frmSplash splash(this);
        splash.exec();
    }
    faktor = 1;
    for (int i = 0; i < kDays; ++i) {
        clearflex(i);
    }
    cmd_today_Click();
    session_.setPanel(1, kWaitingText);

    refreshSiteFields();
    refreshMenus();
    for (DayButtons* row : {Tage, Tage1, Tage0, Tage3}) {
        row->setCaptions(session_.dayButtonCaptions(row->tag()));
        row->setEnabledDays(session_.dayEnabled());
    }
    hideflex();
    MSFlex[0]->show();
    refreshDayViews();
    for (std::size_t i = 0; i < panels.size(); ++i) {
        panels[i]->setText(QString::fromStdString(session_.panel(static_cast<int>(i) + 1)));
    }
    statusDirty_ = 0;
    reportActions = new ReportActions(*this);
    archiveActions = new ArchiveActions(*this);
    Timer1->start();
}

Form1::~Form1() {
    // The models read the session's day tables; drop them before the session goes.
    for (DayGridModel* m : gridModels) {
        if (m != nullptr) {
            m->clear();
        }
    }
}

QString Form1::messageTitle() {
    return programTitleOneLine();
}

QString Form1::todayText() const {
    return QString::fromStdString(dateText(options_.today()));
}

void Form1::buildMenus() {
    // The '&' marks the Alt key letter; Qt shows it underlined, never as a character.
    fileMenu = menuBar()->addMenu(QStringLiteral("&Datei"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    act_file = fileMenu->menuAction();
    act_file->setObjectName(QStringLiteral("file"));
    act_new = namedAction("new", QStringLiteral("Daten &auslesen"), this);
    act_open = namedAction("open", QString::fromUtf8("Ö&ffnen"), this);
    act_save = namedAction("save", QStringLiteral("&Speichern"), this);
    act_saveas = namedAction("saveas", QStringLiteral("Speichern &unter"), this);
    act_export = namedAction("export", QStringLiteral("&Export (CSV)"), this);
    act_exit = namedAction("exit", QStringLiteral("&Beenden"), this);
    act_exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    fileMenu->addActions({act_new, act_open, act_save, act_saveas, act_export, act_exit});
    act_new->setVisible(false);
    act_save->setEnabled(false);
    act_saveas->setEnabled(false);
    act_export->setEnabled(false);

    portMenu_ = menuBar()->addMenu(QStringLiteral("&Schnittstelle"));
    portMenu_->setObjectName(QStringLiteral("portMenu"));
    act_port = portMenu_->menuAction();
    act_port->setObjectName(QStringLiteral("port"));
    for (int i = 0; i < 15; ++i) {
        QAction* a = new QAction(QStringLiteral("COM%1").arg(i + 1), this);
        a->setObjectName(QStringLiteral("comp%1").arg(i + 1));
        a->setCheckable(true);
        a->setChecked(i == 0);
        a->setEnabled(false);
        portMenu_->addAction(a);
        act_comp[static_cast<std::size_t>(i)] = a;
    }
    act_auto = namedAction("auto", QStringLiteral("AUTO"), this);
    portMenu_->addAction(act_auto);
    act_port->setVisible(false);

    act_loeschen = namedAction("loeschen", QString::fromUtf8("&Karte löschen"), this);
    act_dat_time = namedAction("dat_time", QStringLiteral("Datum/&Uhrzeit"), this);
    act_info = namedAction("info", QStringLiteral("&Info"), this);
    menuBar()->addAction(act_loeschen);
    menuBar()->addAction(act_dat_time);
    menuBar()->addAction(act_info);
    act_loeschen->setVisible(false);

    connect(act_open, &QAction::triggered, this, &Form1::open_Click);
    connect(act_save, &QAction::triggered, this, &Form1::save_Click);
    connect(act_saveas, &QAction::triggered, this, &Form1::saveas_Click);
    connect(act_exit, &QAction::triggered, this, &Form1::exit_Click);
    connect(act_export, &QAction::triggered, this, &Form1::export_Click);
    connect(act_dat_time, &QAction::triggered, this, [this] {
        if (openDateTimeDialog) {
            openDateTimeDialog();
        }
    });
    connect(act_info, &QAction::triggered, this, [this] {
        frmAbout about(this);
        dialogs_.runModal(about);
    });
}

void Form1::setDeviceLinkVisible(bool visible) {
    act_new->setVisible(visible);
    act_port->setVisible(visible);
    act_loeschen->setVisible(visible);
}

void Form1::statusBarActivated() {
    if (debugClicks < 255) {
        ++debugClicks;
    }
    if (debugClicks != 10) {
        return;
    }
    debugColumn->show();
    // The width is that of the whole window, frame included.
    const int frameExtra = frameGeometry().width() - geometry().width();
    resize(twipsToPxX(kDebugWidthTwips, this) - frameExtra, height());
    keepOnScreen();
}

QRect clampToScreen(QRect window, QRect available) {
    if (!available.isValid()) {
        return window;
    }
    window.setWidth(std::min(window.width(), available.width()));
    window.setHeight(std::min(window.height(), available.height()));
    const int x =
        std::clamp(window.left(), available.left(), available.right() - window.width() + 1);
    const int y =
        std::clamp(window.top(), available.top(), available.bottom() - window.height() + 1);
    window.moveTo(x, y);
    return window;
}

void Form1::keepOnScreen() {
    const QScreen* s = screen();
    if (s == nullptr) {
        return;
    }
    // The screen's work area counts, not its full size: a window behind the task bar cannot be
    // reached. Before the first show only the size is limited: the window system places the
    // window itself, and a position set here would override that.
    const QRect available = s->availableGeometry();
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const QRect clamped = clampToScreen(frame, available);
    if (clamped == frame) {
        return;
    }
    resize(clamped.width() - (frame.width() - inner.width()),
           clamped.height() - (frame.height() - inner.height()));
    if (isVisible()) {
        // The layout may keep the window wider than asked; the top left corner stays reachable.
        const QRect resized = frameGeometry();
        move(clampToScreen(resized, available).topLeft());
    }
}

void Form1::flushStatus() {
    statusFlushQueued_ = false;
    const unsigned dirty = std::exchange(statusDirty_, 0u);
    for (std::size_t i = 0; i < panels.size(); ++i) {
        if ((dirty & (1u << i)) != 0) {
            const QString text = QString::fromStdString(session_.panel(static_cast<int>(i) + 1));
            panels[i]->setText(text);
            emit statusChanged(static_cast<int>(i) + 1, text);
        }
    }
}

void Form1::timer1Tick() {
    if (!dlg_input->isHidden() && !inputTimer->isActive()) {
        dlg_input->hide();
        dlg_daten->hide();
    }
}

void Form1::dlgCancelClicked() {
    dlg_input->hide();
    dlg_daten->hide();
    inputTimer->stop();
    session_.cancelTransfer();
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void Form1::beginBusy() {
    dlg_daten->show();
    dlg_daten->raise();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Loading runs on this thread; paint the notice before the work starts.
    if (isVisible()) {
        dlg_daten->repaint();
    }
}

void Form1::endBusy() {
    dlg_daten->hide();
    QApplication::restoreOverrideCursor();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    const bool siteField = watched == Text3 || watched == Text4 || watched == Text5;
    if (siteField && (event->type() == QEvent::KeyPress || isTyping(event))) {
        session_.siteKeyPressed();
    } else if (siteField && event->type() == QEvent::FocusOut) {
        // Only a move of the focus inside the window counts: a menu, a message box or another
        // program taking the focus is no "leaving the field" (and a box shown from here would
        // otherwise raise the check again).
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (watched == Text4) {
                text4LostFocus();
            } else if (watched == Text5) {
                text5LostFocus();
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace korvala::ui
