// Construction and layout of the main window, start-up, and the small handlers that belong to the
// window itself (status bar, watchdog, overlays). The file commands are in form1_commands.cpp.

#include "ui/form1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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

QLabel* caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QToolButton* toolButton(const char* name, const QString& text, const QString& tip,
                        QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(90);
    return b;
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

    // Start-up: the splash first, then an empty measurement dated today.
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

void Form1::prepareGrid(int index, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(QStringLiteral("MSFlex(%1)").arg(index));
    auto* model = new DayGridModel(view);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    // Tab leaves the grid for the site fields; the arrow keys move through the rows. Otherwise a
    // day of thousands of rows would hold the keyboard user cell by cell.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    // Fixed row heights let the view place any row without measuring the rows above it.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    view->setColumnWidth(DayGridModel::ColNumber, twipsToPxX(800, this));
    view->setColumnWidth(DayGridModel::ColTime, twipsToPxX(1400, this));
    view->setColumnWidth(DayGridModel::ColSpeed, twipsToPxX(1600, this));
    connect(view, &QTableView::clicked, this, [this, index] { gridActivated(index); });
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, index] { gridActivated(index); });
    MSFlex[static_cast<std::size_t>(index)] = view;
    gridModels[static_cast<std::size_t>(index)] = model;
}

QWidget* Form1::buildOverviewPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageOverview"));
    auto* stack = new QGridLayout(page);
    auto* content = new QWidget(page);
    auto* h = new QHBoxLayout(content);
    h->setContentsMargins(0, 0, 0, 0);

    auto* gridHost = new QWidget(content);
    auto* gridLayout = new QGridLayout(gridHost);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < kDays; ++i) {
        prepareGrid(i, gridHost);
        gridLayout->addWidget(MSFlex[static_cast<std::size_t>(i)], 0, 0);
    }
    const int gridWidth = twipsToPxX(800 + 1400 + 1600, this) +
                          MSFlex[0]->verticalScrollBar()->sizeHint().width() +
                          2 * MSFlex[0]->frameWidth() + 2;
    gridHost->setFixedWidth(gridWidth);
    h->addWidget(gridHost);

    auto* right = new QVBoxLayout;
    auto* site = new QGridLayout;
    Text3 = new QLineEdit(content);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text4 = new QLineEdit(content);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setFixedWidth(Text4->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000")) + 16);
    cmd_today = new QPushButton(QStringLiteral("Heute"), content);
    cmd_today->setObjectName(QStringLiteral("cmd_today"));
    lblHint = new QLabel(QStringLiteral("dd.mm.yy (01.02.05)"), content);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    Text5 = new QPlainTextEdit(content);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setTabChangesFocus(true);
    Text5->setFixedHeight(Text5->fontMetrics().lineSpacing() * 4 + 12);
    site->addWidget(caption(QStringLiteral("Messort"), content), 0, 0);
    site->addWidget(Text3, 0, 1, 1, 3);
    site->addWidget(caption(QStringLiteral("Beginn der Messung"), content), 1, 0);
    site->addWidget(Text4, 1, 1);
    site->addWidget(cmd_today, 1, 2, Qt::AlignLeft);
    site->addWidget(lblHint, 2, 1, 1, 3);
    auto* remarkCaption = caption(QStringLiteral("Bemerkung"), content);
    site->addWidget(remarkCaption, 3, 0, Qt::AlignTop);
    site->addWidget(Text5, 3, 1, 1, 3);
    site->setColumnStretch(2, 1);
    right->addLayout(site);

    Frame1 = new QGroupBox(QStringLiteral("Statistik  Tag 1"), content);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* stats = new QGridLayout(Frame1);
    const auto valueLabel = [this](const char* name) {
        auto* l = new QLabel(QStringLiteral("--"), Frame1);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral(" 000 km/h")) + 8);
        return l;
    };
    lbl_ds = valueLabel("lbl_ds");
    lbl_vmin = valueLabel("lbl_vmin");
    lbl_vmax = valueLabel("lbl_vmax");
    lbl_dV = valueLabel("lbl_dV");
    const std::pair<QString, QLabel*> rows[] = {
        {QStringLiteral("Messungen:"), lbl_ds},
        {QStringLiteral("Niedrigste Geschwindigkeit:"), lbl_vmin},
        {QString::fromUtf8("Höchste Geschwindigkeit:"), lbl_vmax},
        {QStringLiteral("Durchschn. Geschwindigkeit:"), lbl_dV},
    };
    int r = 0;
    for (const auto& [text, value] : rows) {
        stats->addWidget(caption(text, Frame1), r, 0);
        stats->addWidget(value, r, 1);
        ++r;
    }
    stats->setRowStretch(r, 1);
    Tage0 = new DayButtons(QStringLiteral("Tage0"), 0, 4, content);
    right->addWidget(Frame1);
    right->addWidget(Tage0);

    cmd_datendruck = toolButton("cmd_datendruck", QStringLiteral("Messliste"),
                                QStringLiteral("Alle Messwerte als RTF-Liste speichern"), content);
    connect(cmd_datendruck, &QToolButton::clicked, this, &Form1::cmd_datendruck_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_datendruck);
    buttons->addStretch(1);
    right->addLayout(buttons);
    right->addStretch(1);
    h->addLayout(right, 1);
    stack->addWidget(content, 0, 0);

    dlg_daten = new QFrame(page);
    dlg_daten->setObjectName(QStringLiteral("dlg_daten"));
    dlg_daten->setFrameStyle(QFrame::Panel | QFrame::Raised);
    dlg_daten->setLineWidth(2);
    dlg_daten->setAutoFillBackground(true);
    auto* dl = new QVBoxLayout(dlg_daten);
    dl->setContentsMargins(24, 18, 24, 18);
    dl->addWidget(
        caption(QStringLiteral("Daten werden aufbereitet. Bitte warten Sie!"), dlg_daten));
    stack->addWidget(dlg_daten, 0, 0, Qt::AlignCenter);
    dlg_daten->hide();

    connect(Text3, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!updatingFields_) {
            session_.setLocation(t.toStdString());
        }
    });
    connect(Text4, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!updatingFields_) {
            session_.setStartDate(t.toStdString());
        }
    });
    connect(Text5, &QPlainTextEdit::textChanged, this, [this] {
        if (updatingFields_) {
            return;
        }
        session_.setRemark(toCrLf(Text5->toPlainText()).toStdString());
        // The program's own texts replace the undo history; an edit of the user's adds to it.
        const QTextDocument* doc = Text5->document();
        if (doc->availableUndoSteps() + doc->availableRedoSteps() > 0) {
            session_.siteKeyPressed();
        }
    });
    // Text also reaches a field without a key press: pasted with the mouse or the context menu,
    // dropped, deleted or undone there. It is a change of the user's all the same.
    for (QLineEdit* field : {Text3, Text4}) {
        connect(field, &QLineEdit::textEdited, this, [this] { session_.siteKeyPressed(); });
    }
    for (QWidget* w : {static_cast<QWidget*>(Text3), static_cast<QWidget*>(Text4),
                       static_cast<QWidget*>(Text5)}) {
        w->installEventFilter(this);
    }
    connect(cmd_today, &QPushButton::clicked, this, &Form1::cmd_today_Click);
    connect(Tage0, &DayButtons::dayClicked, this, &Form1::showDay);
    return page;
}

QWidget* Form1::buildSpeedPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageSpeed"));
    auto* h = new QHBoxLayout(page);
    speedChartHost = new QWidget(page);
    speedChartHost->setObjectName(QStringLiteral("speedChartHost"));
    auto* host = new QVBoxLayout(speedChartHost);
    host->setContentsMargins(0, 0, 0, 0);
    h->addWidget(speedChartHost, 1);
    auto* side = new QVBoxLayout;
    Tage1 = new DayButtons(QStringLiteral("Tage1"), 1, 1, page);
    side->addWidget(Tage1);
    cmd_bar =
        toolButton("cmd_bar", QStringLiteral("Balken"), QStringLiteral("Balkendiagramm"), page);
    cmd_pie =
        toolButton("cmd_pie", QStringLiteral("Torte"), QStringLiteral("Tortendiagramm"), page);
    cmd_printCh1 = toolButton("cmd_printCh1", QStringLiteral("Drucken"),
                              QStringLiteral("Diagramm drucken"), page);
    side->addWidget(cmd_bar);
    side->addWidget(cmd_pie);
    side->addWidget(cmd_printCh1);
    side->addStretch(1);
    h->addLayout(side);
    connect(Tage1, &DayButtons::dayClicked, this, &Form1::showDay);
    return page;
}

QWidget* Form1::buildHourPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageHours"));
    auto* h = new QHBoxLayout(page);
    hourChartHost = new QWidget(page);
    hourChartHost->setObjectName(QStringLiteral("hourChartHost"));
    auto* host = new QVBoxLayout(hourChartHost);
    host->setContentsMargins(0, 0, 0, 0);
    h->addWidget(hourChartHost, 1);
    auto* side = new QVBoxLayout;
    Tage = new DayButtons(QStringLiteral("Tage"), 2, 1, page);
    side->addWidget(Tage);
    cmd_bar1 =
        toolButton("cmd_bar1", QStringLiteral("Balken"), QStringLiteral("Balkendiagramm"), page);
    cmd_line1 =
        toolButton("cmd_line1", QStringLiteral("Linie"), QStringLiteral("Liniendiagramm"), page);
    cmd_printCh2 = toolButton("cmd_printCh2", QStringLiteral("Drucken"),
                              QStringLiteral("Diagramm drucken"), page);
    side->addWidget(cmd_bar1);
    side->addWidget(cmd_line1);
    side->addWidget(cmd_printCh2);
    side->addStretch(1);
    h->addLayout(side);
    connect(Tage, &DayButtons::dayClicked, this, &Form1::showDay);
    return page;
}

QWidget* Form1::buildReportPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageReport"));
    auto* h = new QHBoxLayout(page);
    rtf = new QTextEdit(page);
    rtf->setObjectName(QStringLiteral("rtf"));
    rtf->setReadOnly(true);
    rtf->setAcceptRichText(false);
    rtf->setLineWrapMode(QTextEdit::NoWrap);
    // The report aligns its columns with tabs after captions of different lengths: a stop must
    // lie beyond half the longest speed caption and before the end of "Beginn der Messung:".
    const QFontMetrics fm(rtf->font());
    const int longest =
        std::max({fm.horizontalAdvance(QStringLiteral("Niedrigste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QString::fromUtf8("Höchste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QStringLiteral("Durchschn. Geschwindigkeit:"))});
    rtf->setTabStopDistance(
        std::max(longest / 2 + 6, fm.horizontalAdvance(QStringLiteral("Messungen:")) + 6));
    h->addWidget(rtf, 1);
    auto* side = new QVBoxLayout;
    Tage3 = new DayButtons(QStringLiteral("Tage3"), 3, 1, page);
    side->addWidget(Tage3);
    cmd_printProtokoll = toolButton("cmd_printProtokoll", QStringLiteral("Drucken"),
                                    QStringLiteral("Report drucken"), page);
    side->addWidget(cmd_printProtokoll);
    side->addStretch(1);
    h->addLayout(side);
    connect(Tage3, &DayButtons::dayClicked, this, &Form1::showDay);
    return page;
}

void Form1::buildOverlays(QWidget* pagesHost) {
    dlg_input = new QFrame(pagesHost);
    dlg_input->setObjectName(QStringLiteral("dlg_input"));
    dlg_input->setFrameStyle(QFrame::Panel | QFrame::Raised);
    dlg_input->setLineWidth(2);
    dlg_input->setAutoFillBackground(true);
    auto* l = new QVBoxLayout(dlg_input);
    l->setContentsMargins(24, 18, 24, 18);
    l->addWidget(caption(QStringLiteral("Daten werden gelesen"), dlg_input));
    auto* warning = caption(QStringLiteral("ACHTUNG: Karte bitte nicht entfernen!"), dlg_input);
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    l->addWidget(warning);
    Text1 = new QLineEdit(dlg_input);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    l->addWidget(Text1);
    PB1 = new QProgressBar(dlg_input);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB1->setRange(0, 100);
    PB1->setValue(0);
    l->addWidget(PB1);
    dlg_cancel = new QPushButton(QStringLiteral("Abbrechen"), dlg_input);
    dlg_cancel->setObjectName(QStringLiteral("dlg_cancel"));
    l->addWidget(dlg_cancel, 0, Qt::AlignRight);
    static_cast<QGridLayout*>(pagesHost->layout())->addWidget(dlg_input, 0, 0, Qt::AlignCenter);
    dlg_input->hide();
    connect(dlg_cancel, &QPushButton::clicked, this, &Form1::dlgCancelClicked);
}

void Form1::buildStatusBar() {
    SB = new StatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    setStatusBar(SB);
    const int widths[] = {0, 1400, 1400, 1400, 1400};
    for (std::size_t i = 0; i < panels.size(); ++i) {
        auto* label = new QLabel(SB);
        label->setObjectName(QStringLiteral("SBPanel%1").arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0) {
            label->setMinimumWidth(twipsToPxX(widths[i], this));
        }
        SB->addWidget(label, i == 0 ? 1 : 0);
        panels[i] = label;
    }
    connect(SB, &StatusBar::activated, this, &Form1::statusBarActivated);
}

QWidget* Form1::buildDebugColumn() {
    auto* column = new QWidget;
    column->setObjectName(QStringLiteral("debugColumn"));
    column->setFixedWidth(twipsToPxX(kDebugWidthTwips - kNormalWidthTwips, this) - 16);
    auto* l = new QGridLayout(column);
    l->setContentsMargins(4, 0, 0, 0);
    Label10 = new QLabel(QStringLiteral("InBuffer"), column);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label11 = new QLabel(column);
    Label11->setObjectName(QStringLiteral("Label11"));
    Text6 = new QPlainTextEdit(column);
    Text6->setObjectName(QStringLiteral("Text6"));
    Text6->setReadOnly(true);
    l->addWidget(Label10, 0, 0);
    l->addWidget(Label11, 0, 1);
    l->addWidget(Text6, 1, 0, 1, 2);
    l->setColumnStretch(1, 1);
    return column;
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
