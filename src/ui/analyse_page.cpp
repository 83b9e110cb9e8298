#include "ui/analyse_page.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "output/figure_text.h"
#include "output/report/figure_qt.h"
#include "ui/heat_map.h"

namespace korvala::ui {

AnalysePage::AnalysePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("analysePage"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addLayout(buildLimitRow());

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("analyseScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll_);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    // Whole measurement and exceedance side by side: both are short lists of figures.
    auto* topRow = new QHBoxLayout();
    topRow->addWidget(buildWholeBox(content), 1);
    topRow->addWidget(buildExceedanceBox(content), 1);
    column->addLayout(topRow);
    column->addWidget(buildWeekBox(content));
    column->addWidget(buildHeatMapBox(content));
    column->addWidget(buildQualityBox(content));
    column->addWidget(buildRulesBox(content));
    column->addStretch(1);
    scroll_->setWidget(content);
    outer->addWidget(scroll_, 1);

    connect(limit_, &QSpinBox::valueChanged, this, [this](int value) {
        reanalyse();
        emit limitChanged(value);
    });
    reanalyse();
}

QLayout* AnalysePage::buildLimitRow() {
    auto* row = new QHBoxLayout();
    auto* caption = new QLabel(QString::fromUtf8("Zulässige Höchstgeschwindigkeit"), this);
    limit_ = new QSpinBox(this);
    limit_->setObjectName(QStringLiteral("limit"));
    limit_->setRange(kMinSpeedLimit, kMaxSpeedLimit);
    limit_->setValue(kDefaultSpeedLimit);
    limit_->setSuffix(QStringLiteral(" km/h"));
    caption->setBuddy(limit_);
    row->addWidget(caption);
    row->addWidget(limit_);
    row->addStretch(1);
    return row;
}

QWidget* AnalysePage::buildWholeBox(QWidget* content) {
    auto* box = new QGroupBox(QStringLiteral("Gesamte Messung"), content);
    auto* form = new QFormLayout(box);
    verdict_ = new QLabel(qNoValue(), box);
    verdict_->setObjectName(QStringLiteral("verdict"));
    verdict_->setAutoFillBackground(true);
    verdict_->setMargin(3);
    verdict_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    QFont verdictFont = verdict_->font();
    verdictFont.setBold(true);
    verdict_->setFont(verdictFont);
    form->addRow(QStringLiteral("Bewertung nach v85"), verdict_);
    addFigure(form, QStringLiteral("vehicles"), QStringLiteral("Fahrzeuge"));
    for (const char* p : {"v15", "v50", "v85", "v95"}) {
        addFigure(form, QString::fromLatin1(p), QString::fromLatin1(p));
    }
    addFigure(form, QStringLiteral("mean"), QStringLiteral("Mittelwert"));
    addFigure(form, QStringLiteral("stdDev"), QStringLiteral("Standardabweichung"));
    addFigure(form, QStringLiteral("pace"), QStringLiteral("Pace"));
    addFigure(form, QStringLiteral("vmax"), QString::fromUtf8("Höchste Geschwindigkeit"));
    return box;
}

QWidget* AnalysePage::buildExceedanceBox(QWidget* content) {
    overBox_ = new QGroupBox(QString::fromUtf8("Überschreitung"), content);
    auto* form = new QFormLayout(overBox_);
    addFigure(form, QStringLiteral("over"), QString());
    for (int b = 1; b <= kExceedanceBands; ++b) {
        addFigure(form, QStringLiteral("band%1").arg(b), QString());
    }
    return overBox_;
}

QWidget* AnalysePage::buildWeekBox(QWidget* content) {
    auto* box = new QGroupBox(QStringLiteral("Woche"), content);
    auto* layout = new QVBoxLayout(box);
    week_ = new QTableWidget(0, 9, box);
    week_->setObjectName(QStringLiteral("weekTable"));
    week_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    week_->setSelectionMode(QAbstractItemView::NoSelection);
    week_->setFocusPolicy(Qt::NoFocus);
    week_->verticalHeader()->hide();
    week_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    week_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    week_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    week_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    week_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(week_);
    auto* form = new QFormLayout();
    layout->addLayout(form);
    addFigure(form, QStringLiteral("averageDaily"),
              QStringLiteral("Durchschnittlicher Tagesverkehr"));
    addFigure(form, QStringLiteral("completeDays"), QString::fromUtf8("Vollständige Tage"));
    addFigure(form, QStringLiteral("averageWeekday"), QString::fromUtf8("Werktage (Mo–Fr)"));
    addFigure(form, QStringLiteral("averageWeekend"), QStringLiteral("Wochenende (Sa/So)"));
    addFigure(form, QStringLiteral("peakHour"), QStringLiteral("Spitzenstunde"));
    return box;
}

QWidget* AnalysePage::buildHeatMapBox(QWidget* content) {
    auto* box = new QGroupBox(QStringLiteral("Fahrzeuge je Stunde"), content);
    auto* layout = new QVBoxLayout(box);
    auto* modeRow = new QHBoxLayout();
    modeVehicles_ = new QRadioButton(QStringLiteral("Anzahl der Fahrzeuge"), box);
    modeVehicles_->setObjectName(QStringLiteral("heatModeVehicles"));
    modeV85_ = new QRadioButton(
        QStringLiteral("v85 (ab %1 Fahrzeugen je Stunde)").arg(kMinVehiclesForCellV85), box);
    modeV85_->setObjectName(QStringLiteral("heatModeV85"));
    modeVehicles_->setChecked(true);
    modeRow->addWidget(modeVehicles_);
    modeRow->addWidget(modeV85_);
    modeRow->addStretch(1);
    layout->addLayout(modeRow);
    heatMap_ = new HeatMap(box);
    layout->addWidget(heatMap_);
    connect(modeV85_, &QRadioButton::toggled, this, [this](bool on) {
        heatMap_->setMode(on ? HeatMap::Mode::V85 : HeatMap::Mode::Vehicles);
    });
    return box;
}

QWidget* AnalysePage::buildQualityBox(QWidget* content) {
    auto* box = new QGroupBox(QString::fromUtf8("Datenqualität"), content);
    auto* layout = new QVBoxLayout(box);
    quality_ = new QLabel(box);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    quality_->setWordWrap(true);
    layout->addWidget(quality_);
    return box;
}

QWidget* AnalysePage::buildRulesBox(QWidget* content) {
    auto* box = new QGroupBox(QStringLiteral("Rechenregeln"), content);
    auto* layout = new QVBoxLayout(box);
    auto* rules = new QLabel(box);
    rules->setObjectName(QStringLiteral("rules"));
    rules->setWordWrap(true);
    rules->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QStringList lines;
    for (std::string_view r : kRuleTexts) {
        lines << QStringLiteral("• ") + qText(r);
    }
    rules->setText(lines.join(QLatin1Char('\n')));
    layout->addWidget(rules);
    return box;
}

QLabel* AnalysePage::addFigure(QFormLayout* form, const QString& id, const QString& caption) {
    auto* captionLabel = new QLabel(caption, form->parentWidget());
    auto* value = new QLabel(qNoValue(), form->parentWidget());
    value->setObjectName(id);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(captionLabel, value);
    figures_.insert(id, value);
    captions_.insert(id, captionLabel);
    return value;
}

QLabel* AnalysePage::figure(const QString& id) const {
    return figures_.value(id, nullptr);
}

int AnalysePage::limit() const {
    return limit_->value();
}

void AnalysePage::setLimit(int limit) {
    limit_->setValue(limit);
}

void AnalysePage::refresh(const Session& session) {
    session_ = &session;
    reanalyse();
}

void AnalysePage::reanalyse() {
    if (session_ != nullptr) {
        analysis_ = session_->analyze(limit());
    } else {
        AnalysisInput input;
        input.limit = limit();
        analysis_ = analyze(DayTables{}, input);
    }
    fillFigures();
    fillWeek();
    heatMap_->setAnalysis(analysis_);
    fillQuality();
}

void AnalysePage::fillFigures() {
    const Analysis& a = analysis_;
    const SpeedProfile& p = a.speeds;
    const Exceedance& e = a.exceedance;

    QPalette pal = palette();
    if (e.verdict != Verdict::None) {
        const QColor colour = verdictQColor(e.verdict);
        pal.setColor(QPalette::Window, colour);
        pal.setColor(QPalette::WindowText, inkOn(colour));
    }
    verdict_->setText(qText(korvala::verdictLabel(e.verdict)));
    verdict_->setPalette(pal);
    verdict_->setAutoFillBackground(e.verdict != Verdict::None);

    setFigure(QStringLiteral("vehicles"), std::to_string(p.vehicles));
    setFigure(QStringLiteral("v15"), speedUnitText(p.v15));
    setFigure(QStringLiteral("v50"), speedUnitText(p.v50));
    setFigure(QStringLiteral("v85"), speedUnitText(p.v85));
    setFigure(QStringLiteral("v95"), speedUnitText(p.v95));
    setFigure(QStringLiteral("mean"), speedFixedUnitText(p.mean));
    setFigure(QStringLiteral("stdDev"), speedFixedUnitText(p.stdDev));
    setFigure(QStringLiteral("pace"),
              p.pace
                  ? paceText(p.pace) + "\n" + vehiclesAndShareText(p.pace->vehicles, p.pace->share)
                  : std::string(kNoValue));
    setFigure(QStringLiteral("vmax"), speedUnitText(p.vmax));

    const bool any = p.vehicles > 0;
    const std::string noShare(kNoValue);
    overBox_->setTitle(qText("Überschreitung von " + limitText(a.limit)));
    setFigureCaption(QStringLiteral("over"), qText("Über " + limitText(a.limit)));
    setFigure(QStringLiteral("over"), any ? vehiclesAndShareText(e.over, e.share) : noShare);
    for (int b = 0; b < kExceedanceBands; ++b) {
        const ExceedanceBand& band = e.bands[static_cast<std::size_t>(b)];
        const QString id = QStringLiteral("band%1").arg(b + 1);
        setFigureCaption(id, QStringLiteral("   ") + qText(bandCaption(band)));
        setFigure(id, any ? vehiclesAndShareText(band.vehicles, band.share) : noShare);
    }

    setFigure(QStringLiteral("averageDaily"), perDayText(a.averageDaily));
    setFigure(QStringLiteral("completeDays"), dayListText(a.completeDays));
    setFigure(QStringLiteral("averageWeekday"), perDayText(a.averageWeekday));
    setFigure(QStringLiteral("averageWeekend"), perDayText(a.averageWeekend));
    setFigure(QStringLiteral("peakHour"), peakHourText(a));
}

void AnalysePage::setFigure(const QString& id, const std::string& text) {
    figure(id)->setText(qText(text));
}

void AnalysePage::setFigureCaption(const QString& id, const QString& caption) {
    if (QLabel* label = captions_.value(id, nullptr)) {
        label->setText(caption);
    }
}

void AnalysePage::fillWeek() {
    const Analysis& a = analysis_;
    week_->setHorizontalHeaderLabels(
        {QStringLiteral("Tag"), QStringLiteral("Wochentag"), QStringLiteral("Fahrzeuge"),
         QStringLiteral("v50"), QStringLiteral("v85"),
         QString::fromUtf8("über\n%1 km/h").arg(a.limit), QStringLiteral("erstes\nFahrzeug"),
         QStringLiteral("letztes\nFahrzeug"), QString::fromUtf8("vollständig")});
    week_->setRowCount(static_cast<int>(a.days.size()));
    for (int r = 0; r < week_->rowCount(); ++r) {
        const DayAnalysis& d = a.days[static_cast<std::size_t>(r)];
        const std::vector<std::string> cells = {std::to_string(d.day),
                                                weekdayText(d.weekday),
                                                std::to_string(d.speeds.vehicles),
                                                speedText(d.speeds.v50),
                                                speedText(d.speeds.v85),
                                                exceedanceShareText(d.speeds, d.exceedance),
                                                clockText(d.firstVehicle),
                                                clockText(d.lastVehicle),
                                                d.complete ? "ja" : "nein"};
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(qText(cells[static_cast<std::size_t>(c)]));
            item->setTextAlignment(c == 1 || c == 8 ? Qt::AlignLeft | Qt::AlignVCenter
                                                    : Qt::AlignRight | Qt::AlignVCenter);
            week_->setItem(r, c, item);
        }
    }
    week_->resizeColumnsToContents();
    week_->resizeRowsToContents();
    // The table shows every day at once; the page scrolls, not the table.
    int height = week_->horizontalHeader()->sizeHint().height() + 2 * week_->frameWidth();
    for (int r = 0; r < week_->rowCount(); ++r) {
        height += week_->rowHeight(r);
    }
    int width = 2 * week_->frameWidth();
    // From the contents, not the column widths: the stretched last column would otherwise feed
    // its own width back into the minimum.
    for (int c = 0; c < week_->columnCount(); ++c) {
        width += std::max(static_cast<const QAbstractItemView*>(week_)->sizeHintForColumn(c),
                          week_->horizontalHeader()->sectionSizeHint(c));
    }
    week_->setFixedHeight(height);
    week_->setMinimumWidth(width);
}

void AnalysePage::fillQuality() {
    const Analysis& a = analysis_;
    const DataQuality& q = a.quality;
    std::vector<std::string> lines = dataQualityLines(q);

    std::vector<std::string> gaps;
    for (const DayAnalysis& d : a.days) {
        if (!d.gaps.empty()) {
            gaps.push_back("    " + dayGapsText(d));
        }
    }
    lines.push_back(gapsHeading() + (gaps.empty() ? ": keine" : ":"));
    lines.insert(lines.end(), gaps.begin(), gaps.end());

    lines.push_back(implausibleHeading(q.implausibleCount));
    for (const SpeedEvent& e : q.implausible) {
        lines.push_back("    Tag " + std::to_string(e.day) + ", " + clockText(e.second) + ": " +
                        speedUnitText(e.speed));
    }
    if (const std::string cap = implausibleCapText(q); !cap.empty()) {
        lines.push_back("    " + cap);
    }
    lines.push_back(std::string(kTopSpeedsHeading) + ":");
    if (q.topSpeeds.empty()) {
        lines.push_back("    " + std::string(kNoValue));
    }
    for (std::size_t i = 0; i < q.topSpeeds.size(); ++i) {
        const SpeedEvent& e = q.topSpeeds[i];
        lines.push_back("    " + std::to_string(i + 1) + ". " + speedUnitText(e.speed) + ", Tag " +
                        std::to_string(e.day) + ", " + clockText(e.second));
    }
    QStringList text;
    for (const std::string& line : lines) {
        text << qText(line);
    }
    quality_->setText(text.join(QLatin1Char('\n')));
}

}  // namespace korvala::ui
