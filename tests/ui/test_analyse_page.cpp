// The Analyse page: the figures of a hand-made measurement, the limit re-evaluating at once, the
// heat map painting where it says, and the main window refreshing the page after a load.

#include "output/report/figure_qt.h"
#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/heat_map.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// Thursday 03.12.26, 08:00..08:38: twenty vehicles at 41..60 km/h; 09:10..09:14: five at 30 km/h.
// Friday (the clock steps back, so the device starts day 2), 07:00..07:10: three at 45, 46, 47
// km/h. Sorted, the 28 speeds are 30 ×5, 41, 42, 43, 44, 45, 45, 46, 46, 47, 47, 48 .. 60, so v85
// (rank 24) is 56 and ten vehicles exceed 50.
QByteArray twoDayLog() {
    QByteArray log;
    for (int i = 0; i < 20; ++i)
        log += QStringLiteral("/03/12/2026/08:%1:00,%2\r\n")
                   .arg(i * 2, 2, 10, QLatin1Char('0'))
                   .arg(41 + i)
                   .toLatin1();
    for (int i = 0; i < 5; ++i)
        log += QStringLiteral("/03/12/2026/09:1%1:00,30\r\n").arg(i).toLatin1();
    return log +
           "/04/12/2026/07:00:00,45\r\n/04/12/2026/07:05:00,46\r\n/04/12/2026/07:10:00,47\r\n";
}

QString text(const AnalysePage& page, const char* id) {
    const QLabel* label = page.figure(QString::fromLatin1(id));
    return label != nullptr ? label->text() : QStringLiteral("<no figure %1>").arg(id);
}

// Opens `bytes` as a device log written into `dir`.
bool load(Session& s, const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString file = dir.filePath(QStringLiteral("messung.log"));
    return saveBytes(file, bytes) && s.openFile(file.toStdString()).outcome == LoadOutcome::Loaded;
}

}  // namespace

class TestAnalysePage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QLocale::setDefault(QLocale(QLocale::English));  // the page must not follow the locale
    }

    // Before any load every figure is a dash; then the page shows the core's figures, and follows
    // the limit.
    void showsTheFiguresAndFollowsTheLimit() {
        AnalysePage page;
        QVERIFY(!page.verdictLabel()->autoFillBackground());
        for (const char* id : {"v85", "pace", "peakHour"})
            QCOMPARE(text(page, id), QStringLiteral("–"));
        page.resize(700, 500);
        QVERIFY(!page.grab().isNull());  // painting an empty map must not fail

        Session s("06.12.26");
        QVERIFY(load(s, dir_, twoDayLog()));
        page.refresh(s);
        QCOMPARE(text(page, "vehicles"), QStringLiteral("28"));
        QCOMPARE(text(page, "v85"), QStringLiteral("56 km/h"));
        // The band from 41 holds 41..50 and 45, 46, 47 (the lowest of the bands of 13).
        QCOMPARE(text(page, "pace"), QStringLiteral("41 bis unter 51 km/h\n13 Fahrzeuge (46,4 %)"));
        QCOMPARE(text(page, "band2"), QStringLiteral("5 Fahrzeuge (17,9 %)"));

        QTableWidget* week = page.weekTable();
        QCOMPARE(week->rowCount(), 2);
        // Day 1: v50 at rank 13 of 25 is 48, v85 at rank 22 is 57, ten of 25 over 50.
        QCOMPARE(tableRow(week, 0), QStringList({"1", "Donnerstag", "25", "48", "57", "40,0 %",
                                                 "08:00:00", "09:14:00", "nein"}));
        QCOMPARE(text(page, "completeDays"), QStringLiteral("keiner"));
        QCOMPARE(text(page, "peakHour"),
                 QStringLiteral("Tag 1 (Donnerstag), 08:00–09:00, 20 Fahrzeuge"));

        // The limit re-evaluates at once: verdict and its colours, exceedance, the week's column
        // and the heat map (its hour 08:00 of day 1 has v85 57). The limit itself is not over it.
        page.heatMap()->setMode(HeatMap::Mode::V85);
        QSignalSpy changed(&page, &AnalysePage::limitChanged);
        const struct {
            int limit, shown;
            Verdict verdict;
            const char* over;
            Verdict cell;
        } steps[] = {
            {50, 50, Verdict::Remarkable, "10 Fahrzeuge (35,7 %)", Verdict::Remarkable},
            {56, 56, Verdict::Unremarkable, "4 Fahrzeuge (14,3 %)", Verdict::SlightlyRaised},
            {500, kMaxSpeedLimit, Verdict::Unremarkable, "0 Fahrzeuge (0,0 %)",
             Verdict::Unremarkable},
        };
        for (const auto& step : steps) {
            page.setLimit(step.limit);
            QCOMPARE(page.analysis().limit, step.shown);
            QCOMPARE(page.verdictLabel()->text(), qText(verdictText(step.verdict)));
            const QColor colour = verdictQColor(step.verdict);
            QCOMPARE(page.verdictLabel()->palette().color(QPalette::Window), colour);
            QCOMPARE(page.verdictLabel()->palette().color(QPalette::WindowText), inkOn(colour));
            QCOMPARE(text(page, "over"), QString::fromUtf8(step.over));
            QCOMPARE(page.weekTable()->horizontalHeaderItem(5)->text(),
                     QStringLiteral("über\n%1 km/h").arg(step.shown));
            QCOMPARE(page.heatMap()->picture().cellColour(0, 8), verdictQColor(step.cell));
        }
        QCOMPARE(changed.count(), 2);  // 50 was the page's own limit already
    }

    // The heat map's mode follows the buttons, and its painter puts every cell where cellRect
    // says, on the screen and on a 300 dpi page, with a number only where it fits.
    void heatMapPaintsWhereItSays_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("v85");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("numbers");
        QTest::newRow("screen, v85") << 96 << true << 760 << true;
        QTest::newRow("print, v85") << 300 << true << 760 << true;
        QTest::newRow("too narrow for numbers") << 96 << false << 320 << false;
    }
    void heatMapPaintsWhereItSays() {
        QFETCH(int, dpi);
        QFETCH(bool, v85);
        QFETCH(int, width);
        QFETCH(bool, numbers);
        Session s("06.12.26");
        QCOMPARE(s.openFile(KORVALA_DATA_DIR "/sample-7tage.log").outcome, LoadOutcome::Loaded);
        AnalysePage page;
        page.refresh(s);
        (v85 ? page.v85ModeButton() : page.vehiclesModeButton())->click();
        const HeatMapPainter& map = page.heatMap()->picture();
        QCOMPARE(map.mode(), v85 ? HeatMapMode::V85 : HeatMapMode::Vehicles);
        QCOMPARE(map.maxVehicles(), page.analysis().peakHour->vehicles);

        const double scale = dpi / 96.0;
        QImage image(int(width * scale), int(260 * scale), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(dpi / 0.0254));
        image.setDotsPerMeterY(int(dpi / 0.0254));
        image.fill(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8);
        const QRectF area(10 * scale, 5 * scale, (width - 20) * scale, 250 * scale);
        {
            QPainter painter(&image);
            painter.setFont(font);
            map.paint(painter, area);
        }
        QCOMPARE(map.dayCount(), 7);
        for (int r = 0; r < map.dayCount(); ++r)
            for (int h = 0; h < 24; ++h) {
                const HourCell& core = page.analysis().days[std::size_t(r)].hours[h];
                QCOMPARE(map.cellColour(r, h) == verdictQColor(Verdict::None), v85 && !core.v85);
                const QRectF cell = map.cellRect(area, r, h, font, &image);
                QVERIFY(area.contains(cell));
                // A corner of the cell, clear of the centred number and the gap between cells.
                const QPoint probe(int(cell.left() + cell.width() * 0.15),
                                   int(cell.top() + cell.height() * 0.15));
                QCOMPARE(QColor(image.pixel(probe)).name(), map.cellColour(r, h).name());
            }
        // The busiest cell (day 5, 17:00) is the dark end of the vehicles scale and carries its
        // number when it fits.
        if (!v85)
            QVERIFY(map.cellColour(4, 17).lightness() < map.cellColour(0, 3).lightness());
        const QRectF busy = map.cellRect(area, 4, 17, font, &image);
        bool textPixel = false;
        for (int x = int(busy.left() + 2); x < int(busy.right() - 2); ++x)
            textPixel = textPixel ||
                        QColor(image.pixel(x, int(busy.center().y()))) != map.cellColour(4, 17);
        QCOMPARE(textPixel, numbers);
    }

    void dataQualityListsDuplicatesImplausibleSpeedsAndTheFastest() {
        Session s("06.12.26");
        QVERIFY(load(s, dir_,
                     "/03/12/2026/07:00:00,48\r\n/03/12/2026/07:00:00,48\r\n"  // a duplicate
                     "/03/12/2026/07:30:00,3\r\n/03/12/2026/09:30:00,250\r\n"
                     "/03/12/2026/10:00:00,52\r\n"));
        AnalysePage page;
        page.refresh(s);
        QCOMPARE(page.qualityLabel()->text().split('\n'),
                 QStringList({"Entfernte Duplikate: 1", "Abgewiesene Datenzeilen: 0",
                              "Erster Tag (Tag 1): Fahrzeuge von 07:00 bis 10:59, unvollständig",
                              "Letzter Tag (Tag 1): Fahrzeuge von 07:00 bis 10:59, unvollständig",
                              "Lücken von mindestens 60 Minuten zwischen 06:00 und 22:00:",
                              "    Tag 1: 07:30:00–09:30:00",
                              "Unplausible Geschwindigkeiten (unter 5 oder ab 200 km/h): 2",
                              "    Tag 1, 07:30:00: 3 km/h", "    Tag 1, 09:30:00: 250 km/h",
                              "Die höchsten Geschwindigkeiten:", "    1. 250 km/h, Tag 1, 09:30:00",
                              "    2. 52 km/h, Tag 1, 10:00:00", "    3. 48 km/h, Tag 1, 07:00:00",
                              "    4. 3 km/h, Tag 1, 07:30:00"}));
    }

    void mainWindowRefreshesTheAnalyseTabAfterALoad() {
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QCOMPARE(f.analysePage->analysis().speeds.vehicles, 7);
        QCOMPARE(f.analysePage->weekTable()->item(0, 1)->text(), QStringLiteral("Donnerstag"));
        // A changed start date moves the weekdays.
        f.Text4->clear();
        QTest::keyClicks(f.Text4, QStringLiteral("05.12.26"));
        loseFocus(f.Text4);
        QCOMPARE(f.analysePage->weekTable()->item(0, 1)->text(), QStringLiteral("Samstag"));
        // The limit is the user's: a second load keeps it.
        f.analysePage->setLimit(40);
        fx.open(QStringLiteral("drei2.log"), threeDayLog());
        QCOMPARE(f.analysePage->analysis().limit, 40);
    }
};

QTEST_MAIN(TestAnalysePage)
#include "test_analyse_page.moc"
