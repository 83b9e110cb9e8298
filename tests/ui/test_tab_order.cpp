// Tab moves through every page of the window, and through the clock dialog, in reading order:
// top left to bottom right, the site fields in the order a user fills them in.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/chart_wiring.h"
#include "ui/datandtime.h"
#include "ui/day_buttons.h"

using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// The names of the widgets Tab visits from `start` until it comes back to `start` (at most
// `limit` presses, so a chain that never closes fails instead of hanging).
QStringList walkTabChain(QWidget* window, QWidget* start, int limit = 60) {
    QStringList names;
    start->setFocus(Qt::TabFocusReason);
    if (QApplication::focusWidget() != start) {
        return {QStringLiteral("<no focus on %1>").arg(start->objectName())};
    }
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr || now->window() != window) {
            names << QStringLiteral("<focus left the window>");
            return names;
        }
        if (now == start) {
            return names;
        }
        names << now->objectName();
    }
    names << QStringLiteral("<no end>");
    return names;
}

// Shift+Tab walks the same chain backwards.
QStringList walkBackwards(QWidget* window, QWidget* start, int limit = 60) {
    QStringList names;
    start->setFocus(Qt::BacktabFocusReason);
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr || now == start || now->window() != window) {
            break;
        }
        names.prepend(now->objectName());
    }
    return names;
}

bool showActive(QWidget* w) {
    w->show();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

}  // namespace

class TestTabOrder : public QObject {
    Q_OBJECT

  private slots:
    void pagesOfTheWindow_data();
    void pagesOfTheWindow();
    void dayButtonsOfALoadedWeek();
    void clockDialog();
};

void TestTabOrder::pagesOfTheWindow_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Übersicht") << 0
                               << QStringList{"MSFlex(0)", "Text3",    "Text4",         "cmd_today",
                                              "Text5",     "Tage0(0)", "cmd_datendruck"};
    QTest::newRow("Geschwindigkeit")
        << 1 << QStringList{"Tage1(0)", "cmd_bar", "cmd_pie", "cmd_printCh1"};
    QTest::newRow("Anzahl der KFZ")
        << 2 << QStringList{"Tage(0)", "cmd_bar1", "cmd_line1", "cmd_printCh2"};
    QTest::newRow("Report") << 3 << QStringList{"rtf", "Tage3(0)", "cmd_printProtokoll"};
    QTest::newRow("Analyse") << 4 << QStringList{"limit", "analyseScroll", "heatModeVehicles"};
}

void TestTabOrder::pagesOfTheWindow() {
    QFETCH(int, page);
    QFETCH(QStringList, expected);
    WindowFixture fx;
    Form1& f = *fx.form;
    korvala::wireChartsAndPrinting(f);
    f.SSTab1->setCurrentIndex(page);
    QVERIFY(showActive(&f));
    // The page's tab is where a keyboard user arrives on the page; the chain goes round from it.
    QTabBar* tabs = f.SSTab1->tabBar();
    // Joined, so a failure shows the whole order.
    QCOMPARE(walkTabChain(&f, tabs).join(", "), expected.join(", "));
    QCOMPARE(walkBackwards(&f, tabs).join(", "), expected.join(", "));
}

void TestTabOrder::dayButtonsOfALoadedWeek() {
    // With several days the group is one stop: Tab reaches the chosen day, arrows pick another.
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    QVERIFY(showActive(&f));
    f.Tage0->button(1)->click();
    QCOMPARE(f.Tage0->checkedIndex(), 1);
    QCOMPARE(walkTabChain(&f, f.SSTab1->tabBar()).join(", "),
             QStringLiteral("MSFlex(1), Text3, Text4, cmd_today, Text5, Tage0(1), cmd_datendruck"));
}

void TestTabOrder::clockDialog() {
    ScriptedDialogs dialogs;
    datAndtime dialog(dialogs, [] { return QDateTime(kToday, QTime(9, 30)); });
    dialog.setDrives({QStringLiteral("/media/karte"), QStringLiteral("/")});
    QVERIFY(showActive(&dialog));
    // With "PC Zeit" ticked the time field is locked and skipped.
    QCOMPARE(walkTabChain(&dialog, dialog.Drive1),
             (QStringList{"qt_calendar_calendarview", "check1", "cmd_dateAndTime", "Command1"}));
    dialog.check1->setChecked(false);
    QCOMPARE(walkTabChain(&dialog, dialog.Drive1),
             (QStringList{"qt_calendar_calendarview", "Text2", "check1", "cmd_dateAndTime",
                          "Command1"}));
}

QTEST_MAIN(TestTabOrder)
#include "test_tab_order.moc"
