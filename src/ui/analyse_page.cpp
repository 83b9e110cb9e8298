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

#include "model/speed.h"
#include "ui/heat_map.h"

namespace korvala::ui {

namespace {

const QString kDash = QStringLiteral("–");

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Fixed decimals with a decimal comma, whatever the machine's locale says.
QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString speed(const std::optional<double>& v) {
    return v ? qs(decimalText(*v)) + QStringLiteral(" km/h") : kDash;
}

QString speedFixed(const std::optional<double>& v) {
    return v ? fixed(*v, 1) + QStringLiteral(" km/h") : kDash;
}

QString percent(double share) {
    return fixed(share * 100.0, 1) + QStringLiteral(" %");
}

QString vehicles(std::int64_t n) {
    return QString::number(n) +
           (n == 1 ? QStringLiteral(" Fahrzeug") : QStringLiteral(" Fahrzeuge"));
}

QString countAndShare(std::int64_t n, double share) {
    return vehicles(n) + QStringLiteral(" (") + percent(share) + QLatin1Char(')');
}

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString clock(int second) {
    return twoDigits(second / 3600) + QLatin1Char(':') + twoDigits(second / 60 % 60) +
           QLatin1Char(':') + twoDigits(second % 60);
}

QString optClock(const std::optional<int>& s) {
    return s ? clock(*s) : kDash;
}

QString weekdayName(const std::optional<int>& w) {
    return w ? qs(kWeekdayNames[static_cast<std::size_t>(*w)]) : kDash;
}

QString perDay(const std::optional<double>& v) {
    return v ? fixed(*v, 1) + QStringLiteral(" Fahrzeuge/Tag") : kDash;
}

QString dayList(const std::vector<int>& days) {
    QStringList parts;
    for (int d : days) {
        parts << QString::number(d);
    }
    return parts.join(QStringLiteral(", "));
}

QGroupBox* group(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    return box;
}

}  // namespace

AnalysePage::AnalysePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("analysePage"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    auto* limitRow = new QHBoxLayout();
    auto* limitCaption = new QLabel(QString::fromUtf8("Zulässige Höchstgeschwindigkeit"), this);
    limit_ = new QSpinBox(this);
    limit_->setObjectName(QStringLiteral("limit"));
    limit_->setRange(kMinSpeedLimit, kMaxSpeedLimit);
    limit_->setValue(kDefaultSpeedLimit);
    limit_->setSuffix(QStringLiteral(" km/h"));
    limitCaption->setBuddy(limit_);
    limitRow->addWidget(limitCaption);
    limitRow->addWidget(limit_);
    limitRow->addStretch(1);
    outer->addLayout(limitRow);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("analyseScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll_);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);

    // Whole measurement and exceedance side by side: both are short lists of figures.
    auto* topRow = new QHBoxLayout();
    auto* wholeBox = group(QStringLiteral("Gesamte Messung"), content);
    auto* wholeForm = new QFormLayout(wholeBox);
    verdict_ = new QLabel(kDash, wholeBox);
    verdict_->setObjectName(QStringLiteral("verdict"));
    verdict_->setAutoFillBackground(true);
    verdict_->setMargin(3);
    verdict_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    QFont verdictFont = verdict_->font();
    verdictFont.setBold(true);
    verdict_->setFont(verdictFont);
    wholeForm->addRow(QStringLiteral("Bewertung nach v85"), verdict_);
    addFigure(wholeForm, QStringLiteral("vehicles"), QStringLiteral("Fahrzeuge"));
    for (const char* p : {"v15", "v50", "v85", "v95"}) {
        addFigure(wholeForm, QString::fromLatin1(p), QString::fromLatin1(p));
    }
    addFigure(wholeForm, QStringLiteral("mean"), QStringLiteral("Mittelwert"));
    addFigure(wholeForm, QStringLiteral("stdDev"), QStringLiteral("Standardabweichung"));
    addFigure(wholeForm, QStringLiteral("pace"), QStringLiteral("Pace"));
    addFigure(wholeForm, QStringLiteral("vmax"), QString::fromUtf8("Höchste Geschwindigkeit"));
    topRow->addWidget(wholeBox, 1);

    overBox_ = group(QString::fromUtf8("Überschreitung"), content);
    overForm_ = new QFormLayout(overBox_);
    addFigure(overForm_, QStringLiteral("over"), QString());
    for (int b = 1; b <= kExceedanceBands; ++b) {
        addFigure(overForm_, QStringLiteral("band%1").arg(b), QString());
    }
    topRow->addWidget(overBox_, 1);
    column->addLayout(topRow);

    auto* weekBox = group(QStringLiteral("Woche"), content);
    auto* weekLayout = new QVBoxLayout(weekBox);
    week_ = new QTableWidget(0, 9, weekBox);
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
    weekLayout->addWidget(week_);
    auto* weekForm = new QFormLayout();
    weekLayout->addLayout(weekForm);
    addFigure(weekForm, QStringLiteral("averageDaily"),
              QStringLiteral("Durchschnittlicher Tagesverkehr"));
    addFigure(weekForm, QStringLiteral("completeDays"), QString::fromUtf8("Vollständige Tage"));
    addFigure(weekForm, QStringLiteral("averageWeekday"), QString::fromUtf8("Werktage (Mo–Fr)"));
    addFigure(weekForm, QStringLiteral("averageWeekend"), QStringLiteral("Wochenende (Sa/So)"));
    addFigure(weekForm, QStringLiteral("peakHour"), QStringLiteral("Spitzenstunde"));
    column->addWidget(weekBox);

    auto* heatBox = group(QStringLiteral("Fahrzeuge je Stunde"), content);
    auto* heatLayout = new QVBoxLayout(heatBox);
    auto* modeRow = new QHBoxLayout();
    modeVehicles_ = new QRadioButton(QStringLiteral("Anzahl der Fahrzeuge"), heatBox);
    modeVehicles_->setObjectName(QStringLiteral("heatModeVehicles"));
    modeV85_ = new QRadioButton(
        QStringLiteral("v85 (ab %1 Fahrzeugen je Stunde)").arg(kMinVehiclesForCellV85), heatBox);
    modeV85_->setObjectName(QStringLiteral("heatModeV85"));
    modeVehicles_->setChecked(true);
    modeRow->addWidget(modeVehicles_);
    modeRow->addWidget(modeV85_);
    modeRow->addStretch(1);
    heatLayout->addLayout(modeRow);
    heatMap_ = new HeatMap(heatBox);
    heatLayout->addWidget(heatMap_);
    connect(modeV85_, &QRadioButton::toggled, this, [this](bool on) {
        heatMap_->setMode(on ? HeatMap::Mode::V85 : HeatMap::Mode::Vehicles);
    });
    column->addWidget(heatBox);

    auto* qualityBox = group(QString::fromUtf8("Datenqualität"), content);
    auto* qualityLayout = new QVBoxLayout(qualityBox);
    quality_ = new QLabel(qualityBox);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    quality_->setWordWrap(true);
    qualityLayout->addWidget(quality_);
    column->addWidget(qualityBox);

    auto* rulesBox = group(QStringLiteral("Rechenregeln"), content);
    auto* rulesLayout = new QVBoxLayout(rulesBox);
    rules_ = new QLabel(rulesBox);
    rules_->setObjectName(QStringLiteral("rules"));
    rules_->setWordWrap(true);
    rules_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QStringList rules;
    for (std::string_view r : {kRuleVerdict, kRuleV85, kRulePercentiles, kRuleStdDev, kRulePace,
                               kRuleExceedance, kRuleComplete, kRuleGaps, kRuleImplausible}) {
        rules << QStringLiteral("• ") + qs(r);
    }
    rules_->setText(rules.join(QLatin1Char('\n')));
    rulesLayout->addWidget(rules_);
    column->addWidget(rulesBox);
    column->addStretch(1);

    scroll_->setWidget(content);
    outer->addWidget(scroll_, 1);

    connect(limit_, &QSpinBox::valueChanged, this, [this](int value) {
        reanalyse();
        emit limitChanged(value);
    });
    reanalyse();
}

QLabel* AnalysePage::addFigure(QFormLayout* form, const QString& id, const QString& caption) {
    auto* captionLabel = new QLabel(caption, form->parentWidget());
    auto* value = new QLabel(kDash, form->parentWidget());
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

    const QColor colour = verdictQColor(e.verdict);
    QPalette pal = verdict_->palette();
    if (colour.isValid()) {
        verdict_->setText(qs(verdictText(e.verdict)));
        pal.setColor(QPalette::Window, colour);
        pal.setColor(QPalette::WindowText, textColourOn(colour));
    } else {
        verdict_->setText(kDash);
        pal = palette();
    }
    verdict_->setPalette(pal);
    verdict_->setAutoFillBackground(colour.isValid());

    figure(QStringLiteral("vehicles"))->setText(QString::number(p.vehicles));
    figure(QStringLiteral("v15"))->setText(speed(p.v15));
    figure(QStringLiteral("v50"))->setText(speed(p.v50));
    figure(QStringLiteral("v85"))->setText(speed(p.v85));
    figure(QStringLiteral("v95"))->setText(speed(p.v95));
    figure(QStringLiteral("mean"))->setText(speedFixed(p.mean));
    figure(QStringLiteral("stdDev"))->setText(speedFixed(p.stdDev));
    figure(QStringLiteral("pace"))
        ->setText(p.pace ? qs(decimalText(p.pace->from)) + QStringLiteral(" bis unter ") +
                               qs(decimalText(p.pace->from + 10)) + QStringLiteral(" km/h\n") +
                               countAndShare(p.pace->vehicles, p.pace->share)
                         : kDash);
    figure(QStringLiteral("vmax"))->setText(speed(p.vmax));

    const bool any = p.vehicles > 0;
    overBox_->setTitle(QString::fromUtf8("Überschreitung von %1 km/h").arg(a.limit));
    setFigureCaption(QStringLiteral("over"), QString::fromUtf8("Über %1 km/h").arg(a.limit));
    figure(QStringLiteral("over"))->setText(any ? countAndShare(e.over, e.share) : kDash);
    for (int b = 0; b < kExceedanceBands; ++b) {
        const ExceedanceBand& band = e.bands[static_cast<std::size_t>(b)];
        const QString id = QStringLiteral("band%1").arg(b + 1);
        setFigureCaption(id, QStringLiteral("   ") + qs(band.label) + QStringLiteral(" km/h"));
        figure(id)->setText(any ? countAndShare(band.vehicles, band.share) : kDash);
    }

    figure(QStringLiteral("averageDaily"))->setText(perDay(a.averageDaily));
    figure(QStringLiteral("completeDays"))
        ->setText(a.completeDays.empty() ? QStringLiteral("keiner") : dayList(a.completeDays));
    figure(QStringLiteral("averageWeekday"))->setText(perDay(a.averageWeekday));
    figure(QStringLiteral("averageWeekend"))->setText(perDay(a.averageWeekend));
    QString peak = kDash;
    if (a.peakHour) {
        const PeakHour& ph = *a.peakHour;
        QString day = QStringLiteral("Tag %1").arg(ph.day);
        for (const DayAnalysis& d : a.days) {
            if (d.day == ph.day && d.weekday) {
                day += QStringLiteral(" (") + weekdayName(d.weekday) + QLatin1Char(')');
            }
        }
        peak = day + QStringLiteral(", ") + twoDigits(ph.hour) + QStringLiteral(":00–") +
               twoDigits(ph.hour + 1) + QStringLiteral(":00, ") + vehicles(ph.vehicles);
    }
    figure(QStringLiteral("peakHour"))->setText(peak);
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
        const bool any = d.speeds.vehicles > 0;
        const QStringList cells = {QString::number(d.day),
                                   weekdayName(d.weekday),
                                   QString::number(d.speeds.vehicles),
                                   d.speeds.v50 ? qs(decimalText(*d.speeds.v50)) : kDash,
                                   d.speeds.v85 ? qs(decimalText(*d.speeds.v85)) : kDash,
                                   any ? percent(d.exceedance.share) : kDash,
                                   optClock(d.firstVehicle),
                                   optClock(d.lastVehicle),
                                   d.complete ? QStringLiteral("ja") : QStringLiteral("nein")};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
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
    QStringList lines;
    lines << QStringLiteral("Entfernte Duplikate: %1").arg(q.duplicatesDropped)
          << QStringLiteral("Abgewiesene Datenzeilen: %1").arg(q.linesRejected);
    auto partial = [&](const QString& caption, const std::optional<PartialDay>& p) {
        if (!p) {
            return;
        }
        QString line = caption + QStringLiteral(" (Tag %1): ").arg(p->day);
        if (p->firstHour && p->lastHour) {
            line += QStringLiteral("Fahrzeuge von ") + twoDigits(*p->firstHour) +
                    QStringLiteral(":00 bis ") + twoDigits(*p->lastHour) + QStringLiteral(":59");
        } else {
            line += QStringLiteral("keine Fahrzeuge");
        }
        line +=
            p->partial ? QString::fromUtf8(", unvollständig") : QString::fromUtf8(", vollständig");
        lines << line;
    };
    partial(QStringLiteral("Erster Tag"), q.firstDay);
    partial(QStringLiteral("Letzter Tag"), q.lastDay);

    QStringList gaps;
    for (const DayAnalysis& d : a.days) {
        if (d.gaps.empty()) {
            continue;
        }
        QStringList spans;
        for (const Gap& g : d.gaps) {
            spans << clock(g.from) + QStringLiteral("–") + clock(g.to);
        }
        gaps << QStringLiteral("    Tag %1: ").arg(d.day) + spans.join(QStringLiteral(", "));
    }
    lines << QString::fromUtf8("Lücken von mindestens 60 Minuten zwischen 06:00 und 22:00: ") +
                 (gaps.isEmpty() ? QStringLiteral("keine") : QString());
    lines << gaps;

    lines << QStringLiteral("Unplausible Geschwindigkeiten (unter %1 oder ab %2 km/h): %3")
                 .arg(qs(decimalText(kImplausibleBelow)), qs(decimalText(kImplausibleFrom)))
                 .arg(q.implausibleCount);
    for (const SpeedEvent& e : q.implausible) {
        lines << QStringLiteral("    Tag %1, %2: %3 km/h")
                     .arg(e.day)
                     .arg(clock(e.second), qs(decimalText(e.speed)));
    }
    if (q.implausibleCount > static_cast<std::int64_t>(q.implausible.size())) {
        lines << QStringLiteral("    (nur die ersten %1 aufgeführt)").arg(q.implausible.size());
    }
    lines << QStringLiteral("Die höchsten Geschwindigkeiten:");
    if (q.topSpeeds.empty()) {
        lines << QStringLiteral("    ") + kDash;
    }
    for (std::size_t i = 0; i < q.topSpeeds.size(); ++i) {
        const SpeedEvent& e = q.topSpeeds[i];
        lines << QStringLiteral("    %1. %2 km/h, Tag %3, %4")
                     .arg(i + 1)
                     .arg(qs(decimalText(e.speed)))
                     .arg(e.day)
                     .arg(clock(e.second));
    }
    quality_->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace korvala::ui
