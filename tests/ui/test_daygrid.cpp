// The day grid model: which records become rows, how the cells read, and that a day of a few
// hundred thousand vehicles is shown whole.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include "ui/day_grid_model.h"

using namespace korvala;
using namespace korvala::ui;

namespace {

Measurement rec(int id, int h, int m, int s, double speed) {
    return {id, Timestamp::fromDayAndTime(0, h, m, s), Speed::fromNumber(speed)};
}

// A day table as the day split leaves it: records, then one empty record.
Table dayTable(std::initializer_list<Measurement> records) {
    Table t(records);
    t.push_back(Measurement{});
    return t;
}

QString cell(const DayGridModel& m, int row, int column) {
    return m.data(m.index(row, column)).toString();
}

}  // namespace

class TestDayGrid : public QObject {
    Q_OBJECT

  private slots:
    void headerTexts();
    void rowsKeepTheirPositionAcrossGaps();
    void cellTexts_data();
    void cellTexts();
    void emptyDayHasOnlyTheHeader();
    void refillReplacesEverything();
    void shrunkTableIsNeverReadBeyondItsEnd();
    void largeDayShowsWhole();
};

void TestDayGrid::headerTexts() {
    DayGridModel m;
    QCOMPARE(m.columnCount(), 3);
    QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nr."));
    QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Uhrzeit"));
    QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Geschwindigkeit"));
}

void TestDayGrid::rowsKeepTheirPositionAcrossGaps() {
    const Table t = dayTable({rec(10, 8, 0, 0, 45),
                              rec(11, 8, 1, 0, 51),
                              rec(12, 8, 2, 0, 38),
                              rec(13, 8, 3, 0, 60),
                              rec(14, 8, 4, 0, 0),
                              rec(15, 8, 5, 0, 47),
                              {16, Timestamp::fromDayAndTime(0, 8, 6, 0), Speed()}});
    DayGridModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.fill(&t);
    QCOMPARE(m.rowCount(), 5);
    QStringList numbers;
    for (int r = 0; r < m.rowCount(); ++r) {
        numbers << cell(m, r, 0);
    }
    // The record at position 5 (speed 0) and the one without speed leave gaps.
    QCOMPARE(numbers, QStringList({"1", "2", "3", "4", "6"}));
    QCOMPARE(cell(m, 4, 1), QStringLiteral("08:05:00"));
    QCOMPARE(cell(m, 4, 2), QStringLiteral("47 km/h "));
    QCOMPARE(m.position(4), 5);
}

void TestDayGrid::cellTexts_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<double>("speed");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("speedText");
    QTest::newRow("time of day") << qint64(16 * 3600 + 17 * 60 + 46) << 57.0 << "16:17:46"
                                 << "57 km/h ";
    QTest::newRow("midnight") << qint64(0) << 30.0 << "00:00:00"
                              << "30 km/h ";
    QTest::newRow("fraction") << qint64(3600) << 47.5 << "01:00:00"
                              << "47,5 km/h ";
    QTest::newRow("with date") << qint64(Timestamp::fromDate(2026, 12, 3, 8, 0, 5)->seconds())
                               << 120.0 << "03.12.2026 08:00:05"
                               << "120 km/h ";
}

void TestDayGrid::cellTexts() {
    QFETCH(qint64, seconds);
    QFETCH(double, speed);
    QFETCH(QString, time);
    QFETCH(QString, speedText);
    const Table t = dayTable({{1, Timestamp::fromSeconds(seconds), Speed::fromNumber(speed)}});
    DayGridModel m;
    m.fill(&t);
    QCOMPARE(m.rowCount(), 1);
    QCOMPARE(cell(m, 0, 0), QStringLiteral("1"));
    QCOMPARE(cell(m, 0, 1), time);
    QCOMPARE(cell(m, 0, 2), speedText);
}

void TestDayGrid::emptyDayHasOnlyTheHeader() {
    const Table t = dayTable({});
    DayGridModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.fill(&t);
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.recordRows(), 0);
    QVERIFY(!m.data(m.index(0, 0)).isValid());
}

void TestDayGrid::refillReplacesEverything() {
    const Table first = dayTable({rec(1, 8, 0, 0, 45), rec(2, 8, 1, 0, 51), rec(3, 8, 2, 0, 52)});
    const Table second = dayTable({rec(1, 9, 0, 0, 33)});
    DayGridModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.fill(&first);
    m.clear();
    QCOMPARE(m.rowCount(), 0);
    m.fill(&second);
    QCOMPARE(reset.size(), 3);
    QCOMPARE(m.rowCount(), 1);
    QCOMPARE(cell(m, 0, 2), QStringLiteral("33 km/h "));
}

void TestDayGrid::shrunkTableIsNeverReadBeyondItsEnd() {
    Table t = dayTable({rec(1, 8, 0, 0, 45), rec(2, 8, 1, 0, 51), rec(3, 8, 2, 0, 52)});
    DayGridModel m;
    m.fill(&t);
    t.resize(1);
    QCOMPARE(cell(m, 0, 2), QStringLiteral("45 km/h "));
    QVERIFY(!m.data(m.index(2, 2)).isValid());
}

void TestDayGrid::largeDayShowsWhole() {
    constexpr int kRows = 200000;
    Table t;
    t.reserve(kRows + 1);
    for (int i = 0; i < kRows; ++i) {
        const int s = i % 86400;
        t.push_back(rec(i, s / 3600, s / 60 % 60, s % 60, 30 + i % 70));
    }
    t.push_back(Measurement{});
    DayGridModel m;
    m.fill(&t);
    QCOMPARE(m.rowCount(), kRows);
    QTableView view;
    view.setModel(&m);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(300, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.scrollToBottom();
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    const QModelIndex bottom = view.indexAt(QPoint(5, view.viewport()->height() - 2));
    QCOMPARE(cell(m, bottom.row(), 0), QString::number(kRows));
}

QTEST_MAIN(TestDayGrid)
#include "test_daygrid.moc"
