// The Analyse page and its heat map: the figures shown are the core's for a hand-made
// measurement, the limit re-evaluates at once, the heat map's cells are the core's hour counts
// and paint where they say, and the main window refreshes the page after a load.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "model/speed.h"
#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/heat_map.h"

using namespace korvala;
using namespace korvala::ui;

namespace {

// Thursday 03.12.26, 08:00..08:38: twenty vehicles at 41..60 km/h; 09:10..09:14: five at 30 km/h.
// Friday (the clock steps back, so the device starts day 2), 07:00..07:10: three at 45, 46, 47
// km/h. Sorted, the 28 speeds are 30 ×5, 41, 42, 43, 44, 45, 45, 46, 46, 47, 47, 48 .. 60, so v85
// (rank 24) is 56 and ten vehicles exceed 50.
QByteArray twoDayLog() {
    QByteArray log;
    for (int i = 0; i < 20; ++i) {
        const int second = 8 * 3600 + i * 120;
        log += QStringLiteral("/03/12/2026/%1:%2:00,%3\r\n")
                   .arg(second / 3600, 2, 10, QLatin1Char('0'))
                   .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
                   .arg(41 + i)
                   .toLatin1();
    }
    for (int i = 0; i < 5; ++i) {
        log += QStringLiteral("/03/12/2026/09:1%1:00,30\r\n").arg(i).toLatin1();
    }
    log +=
        "/04/12/2026/07:00:00,45\r\n"
        "/04/12/2026/07:05:00,46\r\n"
        "/04/12/2026/07:10:00,47\r\n";
    return log;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

bool load(Session& session, const QString& path) {
    return session.openFile(path.toStdString()).outcome == LoadOutcome::Loaded;
}

QString text(const AnalysePage& page, const char* id) {
    QLabel* label = page.figure(QString::fromLatin1(id));
    return label != nullptr ? label->text() : QStringLiteral("<no figure %1>").arg(id);
}

QColor verdictBackground(const AnalysePage& page) {
    return page.verdictLabel()->palette().color(QPalette::Window);
}

QStringList weekRow(const QTableWidget* table, int row) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c) {
        cells << (table->item(row, c) != nullptr ? table->item(row, c)->text() : QString());
    }
    return cells;
}

// The same analysis the page should show, computed without the page.
Analysis coreAnalysis(const Session& s, int limit) {
    AnalysisInput input;
    input.limit = limit;
    input.startDate = s.site().startDate;
    input.duplicatesDropped = s.duplicatesDropped();
    input.linesRejected = s.linesRejected();
    return analyze(s.days(), input);
}

}  // namespace

class TestAnalysePage : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QLocale::setDefault(QLocale(QLocale::English));  // the page must not follow the locale
    }

    void beforeAnyLoadEveryFigureIsADash() {
        AnalysePage page;
        QCOMPARE(page.limit(), kDefaultSpeedLimit);
        QCOMPARE(page.limitBox()->minimum(), kMinSpeedLimit);
        QCOMPARE(page.limitBox()->maximum(), kMaxSpeedLimit);
        QCOMPARE(page.verdictLabel()->text(), QStringLiteral("–"));
        for (const char* id : {"v85", "mean", "stdDev", "pace", "vmax", "over", "band1",
                               "averageDaily", "peakHour"}) {
            QCOMPARE(text(page, id), QStringLiteral("–"));
        }
        QCOMPARE(text(page, "vehicles"), QStringLiteral("0"));
        QCOMPARE(page.weekTable()->rowCount(), 0);
        QCOMPARE(page.heatMap()->dayCount(), 0);
        page.resize(700, 500);
        QVERIFY(!page.grab().isNull());  // painting an empty map must not fail

        Session empty("06.12.26");
        page.refresh(empty);
        QCOMPARE(page.verdictLabel()->text(), QStringLiteral("–"));
        QCOMPARE(page.heatMap()->dayCount(), 0);
    }

    void showsTheCoreFiguresOfAKnownMeasurement() {
        Session s("06.12.26");
        QVERIFY(load(s, writeFile(dir_, QStringLiteral("zwei.log"), twoDayLog())));
        AnalysePage page;
        page.refresh(s);

        QCOMPARE(text(page, "vehicles"), QStringLiteral("28"));
        QCOMPARE(text(page, "v15"), QStringLiteral("30 km/h"));  // rank 5
        QCOMPARE(text(page, "v85"), QStringLiteral("56 km/h"));
        QCOMPARE(text(page, "vmax"), QStringLiteral("60 km/h"));
        QCOMPARE(text(page, "over"), QStringLiteral("10 Fahrzeuge (35,7 %)"));
        QCOMPARE(text(page, "band1"), QStringLiteral("5 Fahrzeuge (17,9 %)"));
        QCOMPARE(text(page, "band2"), QStringLiteral("5 Fahrzeuge (17,9 %)"));
        QCOMPARE(text(page, "band5"), QStringLiteral("0 Fahrzeuge (0,0 %)"));
        QCOMPARE(page.figureCaption(QStringLiteral("over"))->text(),
                 QStringLiteral("Über 50 km/h"));
        QVERIFY(
            page.figureCaption(QStringLiteral("band5"))->text().contains(QStringLiteral("> +20")));
        QCOMPARE(page.verdictLabel()->text(), QStringLiteral("auffällig"));
        QCOMPARE(verdictBackground(page), verdictQColor(Verdict::Remarkable));

        // Mean, deviation and pace in German notation, from the core's values.
        const Analysis core = coreAnalysis(s, 50);
        QCOMPARE(text(page, "mean"),
                 QString::number(*core.speeds.mean, 'f', 1).replace('.', ',') + " km/h");
        QCOMPARE(text(page, "stdDev"),
                 QString::number(*core.speeds.stdDev, 'f', 1).replace('.', ',') + " km/h");
        QVERIFY(text(page, "pace")
                    .startsWith(QStringLiteral("%1 bis unter %2 km/h")
                                    .arg(core.speeds.pace->from)
                                    .arg(core.speeds.pace->from + 10)));

        QTableWidget* week = page.weekTable();
        QCOMPARE(week->rowCount(), 2);
        QCOMPARE(week->horizontalHeaderItem(5)->text(), QStringLiteral("über\n50 km/h"));
        // Day 1: v50 at rank 13 of 25 is 48, v85 at rank 22 is 57, ten of 25 over 50.
        QCOMPARE(weekRow(week, 0), QStringList({"1", "Donnerstag", "25", "48", "57", "40,0 %",
                                                "08:00:00", "09:14:00", "nein"}));
        QCOMPARE(weekRow(week, 1), QStringList({"2", "Freitag", "3", "46", "47", "0,0 %",
                                                "07:00:00", "07:10:00", "nein"}));
        QCOMPARE(text(page, "averageDaily"), QStringLiteral("–"));  // no complete day
        QCOMPARE(text(page, "completeDays"), QStringLiteral("keiner"));
        QCOMPARE(text(page, "peakHour"),
                 QStringLiteral("Tag 1 (Donnerstag), 08:00–09:00, 20 Fahrzeuge"));
    }

    void changingTheLimitReevaluatesAtOnce() {
        Session s("06.12.26");
        QVERIFY(load(s, writeFile(dir_, QStringLiteral("grenze.log"), twoDayLog())));
        AnalysePage page;
        page.refresh(s);
        QSignalSpy changed(&page, &AnalysePage::limitChanged);
        HeatMap* map = page.heatMap();
        map->setMode(HeatMap::Mode::V85);
        QCOMPARE(map->cellColour(0, 8), verdictQColor(Verdict::Remarkable));  // cell v85 57

        page.limitBox()->setValue(55);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.takeFirst().at(0).toInt(), 55);
        QCOMPARE(page.analysis().limit, 55);
        QCOMPARE(page.verdictLabel()->text(), QStringLiteral("leicht erhöht"));
        QCOMPARE(verdictBackground(page), verdictQColor(Verdict::SlightlyRaised));
        QCOMPARE(text(page, "over"), QStringLiteral("5 Fahrzeuge (17,9 %)"));
        QCOMPARE(page.figureCaption(QStringLiteral("over"))->text(),
                 QStringLiteral("Über 55 km/h"));
        QCOMPARE(page.weekTable()->horizontalHeaderItem(5)->text(),
                 QStringLiteral("über\n55 km/h"));
        QCOMPARE(page.weekTable()->item(0, 5)->text(), QStringLiteral("20,0 %"));
        QCOMPARE(map->cellColour(0, 8), verdictQColor(Verdict::SlightlyRaised));

        // The limit itself is not over it: at 56 only 57..60 count.
        page.setLimit(56);
        QCOMPARE(page.verdictLabel()->text(), QStringLiteral("unauffällig"));
        QCOMPARE(verdictBackground(page), verdictQColor(Verdict::Unremarkable));
        QCOMPARE(text(page, "over"), QStringLiteral("4 Fahrzeuge (14,3 %)"));

        page.setLimit(57);
        QCOMPARE(map->cellColour(0, 8), verdictQColor(Verdict::Unremarkable));

        // Out of range input is held at the ends of 5..130.
        page.setLimit(500);
        QCOMPARE(page.limit(), kMaxSpeedLimit);
        QCOMPARE(page.analysis().limit, kMaxSpeedLimit);
        QCOMPARE(text(page, "over"), QStringLiteral("0 Fahrzeuge (0,0 %)"));
    }

    void heatMapCellsAreTheCoreHourCountsOfTheSampleWeek() {
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")));
        AnalysePage page;
        page.refresh(s);
        const Analysis core = coreAnalysis(s, page.limit());
        HeatMap* map = page.heatMap();
        QCOMPARE(map->dayCount(), static_cast<int>(core.days.size()));
        QCOMPARE(map->dayCount(), 7);
        QCOMPARE(map->dayLabel(0), QStringLiteral("Tag 1 Di"));  // 01.12.26 was a Tuesday
        QCOMPARE(map->dayLabel(6), QStringLiteral("Tag 7 Mo"));

        std::int64_t total = 0;
        int greyCells = 0;
        int figureCells = 0;
        for (int r = 0; r < map->dayCount(); ++r) {
            for (int h = 0; h < 24; ++h) {
                const HourCell& cell = core.days[static_cast<std::size_t>(r)].hours[h];
                QCOMPARE(map->cellVehicles(r, h), cell.vehicles);
                total += cell.vehicles;
            }
        }
        QCOMPARE(total, core.speeds.vehicles);

        map->setMode(HeatMap::Mode::Vehicles);
        QCOMPARE(map->cellText(4, 17), QString::number(core.days[4].hours[17].vehicles));
        // The busiest cell is the dark end of the scale, an empty one the light end.
        QCOMPARE(map->maxVehicles(), core.peakHour->vehicles);
        QVERIFY(map->cellColour(core.peakHour->day - 1, core.peakHour->hour).lightness() <
                map->cellColour(0, 3).lightness());

        page.v85ModeButton()->click();
        QCOMPARE(map->mode(), HeatMap::Mode::V85);
        for (int r = 0; r < map->dayCount(); ++r) {
            for (int h = 0; h < 24; ++h) {
                const bool few = map->cellVehicles(r, h) < kMinVehiclesForCellV85;
                if (few) {
                    ++greyCells;
                    QCOMPARE(map->cellColour(r, h), HeatMap::noFigureColour());
                    QVERIFY(map->cellText(r, h).isEmpty());
                } else {
                    ++figureCells;
                    QVERIFY(map->cellColour(r, h) != HeatMap::noFigureColour());
                    QCOMPARE(map->cellText(r, h),
                             QString::fromStdString(decimalText(*map->cellV85(r, h))));
                }
            }
        }
        QVERIFY(greyCells > 0);
        QVERIFY(figureCells > 0);
        page.vehiclesModeButton()->click();
        QCOMPARE(map->mode(), HeatMap::Mode::Vehicles);
    }

    // paintOn must put every cell where cellRect says, on the screen and on a 300 dpi page.
    void paintOnDrawsEachCellInItsColour_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("v85");
        QTest::newRow("screen, vehicles") << 96 << false;
        QTest::newRow("screen, v85") << 96 << true;
        QTest::newRow("print, v85") << 300 << true;
    }
    void paintOnDrawsEachCellInItsColour() {
        QFETCH(int, dpi);
        QFETCH(bool, v85);
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")));
        HeatMap map;
        map.setAnalysis(coreAnalysis(s, 50));
        map.setMode(v85 ? HeatMap::Mode::V85 : HeatMap::Mode::Vehicles);

        const double scale = dpi / 96.0;
        QImage image(static_cast<int>(760 * scale), static_cast<int>(260 * scale),
                     QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254));
        image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254));
        image.fill(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8);
        const QRectF area(10 * scale, 5 * scale, 740 * scale, 250 * scale);
        {
            QPainter painter(&image);
            painter.setFont(font);
            map.paintOn(painter, area);
        }
        for (int r = 0; r < map.dayCount(); ++r) {
            for (int h = 0; h < 24; ++h) {
                const QRectF cell = map.cellRect(area, r, h, font, &image);
                QVERIFY(area.contains(cell));
                // A corner of the cell, clear of the centred number and the gap between cells.
                const QPoint probe(static_cast<int>(cell.left() + cell.width() * 0.15),
                                   static_cast<int>(cell.top() + cell.height() * 0.15));
                QCOMPARE(QColor(image.pixel(probe)).name(), map.cellColour(r, h).name());
            }
        }
        // Numbers are printed in the cells (dark pixels inside the busiest cell in the centre).
        const QRectF busy = map.cellRect(area, 4, 17, font, &image);
        bool textPixel = false;
        for (int x = static_cast<int>(busy.left()); x < busy.right(); ++x) {
            const QRgb px = image.pixel(x, static_cast<int>(busy.center().y()));
            textPixel = textPixel || QColor(px) != map.cellColour(4, 17);
        }
        QVERIFY(textPixel);
    }

    // Too narrow for three digits: the cell stays a plain colour instead of numbers running
    // into the neighbours.
    void narrowMapDropsNumbersThatDoNotFit() {
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")));
        HeatMap map;
        map.setAnalysis(coreAnalysis(s, 50));
        QImage image(320, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8);
        const QRectF area(0, 0, 320, 200);
        {
            QPainter painter(&image);
            painter.setFont(font);
            map.paintOn(painter, area);
        }
        const QRectF cell = map.cellRect(area, 4, 17, font, &image);
        QVERIFY(QFontMetricsF(font, &image).horizontalAdvance(map.cellText(4, 17)) > cell.width());
        const QColor fill = map.cellColour(4, 17);
        for (int x = static_cast<int>(cell.left() + 2); x < static_cast<int>(cell.right() - 2);
             ++x) {
            QCOMPARE(QColor(image.pixel(x, static_cast<int>(cell.center().y()))).name(),
                     fill.name());
        }
    }

    void dataQualityListsDuplicatesImplausibleSpeedsAndTheFastest() {
        const QByteArray log =
            "/03/12/2026/07:00:00,48\r\n"
            "/03/12/2026/07:00:00,48\r\n"  // duplicate
            "/03/12/2026/07:30:00,3\r\n"   // implausible, too slow
            "/03/12/2026/09:30:00,250\r\n"
            "/03/12/2026/10:00:00,52\r\n";
        Session s("06.12.26");
        QVERIFY(load(s, writeFile(dir_, QStringLiteral("qualitaet.log"), log)));
        AnalysePage page;
        page.refresh(s);
        const QStringList lines = page.qualityLabel()->text().split('\n');
        QCOMPARE(lines.at(0), QStringLiteral("Entfernte Duplikate: %1").arg(s.duplicatesDropped()));
        QVERIFY(s.duplicatesDropped() >= 1);
        QVERIFY(lines.contains(
            QStringLiteral("Unplausible Geschwindigkeiten (unter 5 oder ab 200 km/h): 2")));
        QVERIFY(lines.contains(QStringLiteral("    Tag 1, 07:30:00: 3 km/h")));
        QVERIFY(lines.contains(QStringLiteral("    Tag 1, 09:30:00: 250 km/h")));
        QVERIFY(lines.contains(QStringLiteral("    1. 250 km/h, Tag 1, 09:30:00")));
        QVERIFY(lines.contains(
            QStringLiteral("Erster Tag (Tag 1): Fahrzeuge von 07:00 bis 10:59, unvollständig")));
        // 07:30 to 09:30 without a vehicle is a gap inside the daytime window.
        QVERIFY(lines.contains(QStringLiteral("    Tag 1: 07:30:00–09:30:00")));
    }

    void mainWindowRefreshesTheAnalyseTabAfterALoad() {
        korvala::ui::test::WindowFixture fx;
        Form1& f = *fx.form;
        QCOMPARE(f.SSTab1->tabText(4), QStringLiteral("Analyse"));
        QCOMPARE(f.SSTab1->widget(4), f.analysePage);
        QCOMPARE(f.analysePage->analysis().speeds.vehicles, 0);

        fx.open(QStringLiteral("drei.log"), korvala::ui::test::threeDayLog());
        QCOMPARE(f.analysePage->analysis().speeds.vehicles, 7);
        QCOMPARE(f.analysePage->weekTable()->item(0, 1)->text(), QStringLiteral("Donnerstag"));

        // A changed start date moves the weekdays.
        f.Text4->clear();
        QTest::keyClicks(f.Text4, QStringLiteral("05.12.26"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(f.Text4, &out);
        QCOMPARE(f.analysePage->weekTable()->item(0, 1)->text(), QStringLiteral("Samstag"));

        // The limit is the user's: a second load keeps it.
        f.analysePage->setLimit(40);
        fx.open(QStringLiteral("drei2.log"), korvala::ui::test::threeDayLog());
        QCOMPARE(f.analysePage->analysis().limit, 40);
    }

    // Draws the page with the sample week; with KORVALA_SCREENSHOT_DIR set, the picture is kept
    // there for a look at the layout.
    void pageFitsTheWindowWidthWithTheSampleWeek() {
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")));
        AnalysePage page;
        page.resize(700, 520);
        page.refresh(s);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QWidget* content = page.scrollArea()->widget();
        // The page scrolls down, never sideways, at the window's normal width, also when it was
        // wider at an earlier refresh (the debug column takes width from the window).
        page.resize(1100, 520);
        page.refresh(s);
        QApplication::processEvents();
        page.resize(700, 520);
        for (int limit : {50, 60, 30}) {
            page.refresh(s);
            page.setLimit(limit);
            QApplication::processEvents();
            QVERIFY(content->width() <= page.scrollArea()->viewport()->width());
        }
        // The week table shows every day without a scroll bar of its own.
        QTableWidget* week = page.weekTable();
        QVERIFY(week->rowViewportPosition(6) + week->rowHeight(6) <= week->viewport()->height());
        // Every cell of the heat map is big enough to carry its number.
        HeatMap* map = page.heatMap();
        const QRectF cell = map->cellRect(QRectF(map->rect()), 0, 0, map->font());
        QVERIFY(cell.width() >= QFontMetricsF(map->font()).horizontalAdvance("222"));

        const QByteArray dir = qgetenv("KORVALA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            content->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("analyse.png"));
            page.v85ModeButton()->click();
            map->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("heatmap-v85.png"));
        }
    }
};

QTEST_MAIN(TestAnalysePage)
#include "test_analyse_page.moc"
