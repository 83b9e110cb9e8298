// The pages, overlays, status bar and debug column of the main window, built once by the
// constructor in form1.cpp. Object names are the widget names, so tests and parts find them.

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

#include "ui/app_texts.h"
#include "ui/day_buttons.h"
#include "ui/day_grid_model.h"
#include "ui/form1.h"
#include "ui/twips.h"

namespace korvala::ui {

namespace {

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

struct ButtonText {
    const char* name;
    const char* text;
    const char* tip;
};

struct ChartPage {
    QWidget* page;
    QWidget* host;
    DayButtons* days;
    std::array<QToolButton*, 3> buttons;
};

// The two chart pages: the host the chart lands in on the left; on the right the day buttons, two
// chart types and "Drucken", created in that order, which is their Tab order.
ChartPage chartPage(const char* pageName, const char* hostName, const char* daysName, int tag,
                    const std::array<ButtonText, 3>& buttons) {
    ChartPage p{};
    p.page = new QWidget;
    p.page->setObjectName(QString::fromLatin1(pageName));
    auto* h = new QHBoxLayout(p.page);
    p.host = new QWidget(p.page);
    p.host->setObjectName(QString::fromLatin1(hostName));
    auto* host = new QVBoxLayout(p.host);
    host->setContentsMargins(0, 0, 0, 0);
    h->addWidget(p.host, 1);
    auto* side = new QVBoxLayout;
    p.days = new DayButtons(QString::fromLatin1(daysName), tag, 1, p.page);
    side->addWidget(p.days);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        p.buttons[i] = toolButton(buttons[i].name, QString::fromUtf8(buttons[i].text),
                                  QString::fromUtf8(buttons[i].tip), p.page);
        side->addWidget(p.buttons[i]);
    }
    side->addStretch(1);
    h->addLayout(side);
    return p;
}

}  // namespace

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
    right->addLayout(buildSiteFields(content));
    right->addWidget(buildDayStatistics(content));
    Tage0 = new DayButtons(QStringLiteral("Tage0"), 0, 4, content);
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

    stack->addWidget(buildPreparingNotice(page), 0, 0, Qt::AlignCenter);

    connectSiteFields();
    connect(cmd_today, &QPushButton::clicked, this, &Form1::cmd_today_Click);
    connect(Tage0, &DayButtons::dayClicked, this, &Form1::showDay);
    return page;
}

QLayout* Form1::buildSiteFields(QWidget* content) {
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
    return site;
}

QGroupBox* Form1::buildDayStatistics(QWidget* content) {
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
    return Frame1;
}

// Every way text reaches a site field goes to the session; only the user's own edits mark the
// measurement unsaved.
void Form1::connectSiteFields() {
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
}

QFrame* Form1::buildPreparingNotice(QWidget* page) {
    dlg_daten = new QFrame(page);
    dlg_daten->setObjectName(QStringLiteral("dlg_daten"));
    dlg_daten->setFrameStyle(QFrame::Panel | QFrame::Raised);
    dlg_daten->setLineWidth(2);
    dlg_daten->setAutoFillBackground(true);
    auto* dl = new QVBoxLayout(dlg_daten);
    dl->setContentsMargins(24, 18, 24, 18);
    dl->addWidget(
        caption(QStringLiteral("Daten werden aufbereitet. Bitte warten Sie!"), dlg_daten));
    dlg_daten->hide();
    return dlg_daten;
}

QWidget* Form1::buildSpeedPage() {
    const ChartPage p = chartPage("pageSpeed", "speedChartHost", "Tage1", 1,
                                  {{{"cmd_bar", "Balken", "Balkendiagramm"},
                                    {"cmd_pie", "Torte", "Tortendiagramm"},
                                    {"cmd_printCh1", "Drucken", "Diagramm drucken"}}});
    speedChartHost = p.host;
    Tage1 = p.days;
    cmd_bar = p.buttons[0];
    cmd_pie = p.buttons[1];
    cmd_printCh1 = p.buttons[2];
    connect(Tage1, &DayButtons::dayClicked, this, &Form1::showDay);
    return p.page;
}

QWidget* Form1::buildHourPage() {
    const ChartPage p = chartPage("pageHours", "hourChartHost", "Tage", 2,
                                  {{{"cmd_bar1", "Balken", "Balkendiagramm"},
                                    {"cmd_line1", "Linie", "Liniendiagramm"},
                                    {"cmd_printCh2", "Drucken", "Diagramm drucken"}}});
    hourChartHost = p.host;
    Tage = p.days;
    cmd_bar1 = p.buttons[0];
    cmd_line1 = p.buttons[1];
    cmd_printCh2 = p.buttons[2];
    connect(Tage, &DayButtons::dayClicked, this, &Form1::showDay);
    return p.page;
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

}  // namespace korvala::ui
