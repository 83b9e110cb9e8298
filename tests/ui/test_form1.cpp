// The main window itself: the site fields, the day selection across the pages, the day grids, the
// report, the charts and their printing, the transfer frame and the splash.

#include <QBarCategoryAxis>

#include "output/print/printer_choice.h"
#include "test_form1_support.h"
#include "ui/chart_wiring.h"
#include "ui/day_buttons.h"
#include "ui/day_grid_model.h"
#include "ui/druck.h"
#include "ui/hour_chart.h"
#include "ui/speed_chart.h"
#include "ui/splash.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

std::array<DayButtons*, 4> rowsByTag(Form1& f) {
    return {f.Tage0, f.Tage1, f.Tage, f.Tage3};
}

QString report(Form1& f) {
    return f.rtf->toPlainText();
}

// A day whose counting starts at 07:00: slot i counts i + 1 vehicles in the hour ending at
// 08:00 + i.
DayStats sampleDay() {
    DayStats stats;
    stats.firstHour = 7;
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(i + 1);
        stats.hourLabel[i] =
            QStringLiteral("%1:00").arg((8 + i) % 24, 2, 10, QLatin1Char('0')).toStdString();
    }
    return stats;
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private slots:
    // Every way the user's text reaches a site field marks the data unsaved: a key press (even one
    // that changes nothing), an input method's commit or composing (dead keys, compose, ibus send
    // no key press), pasting. Empty input method events (focus handling) are no typing.
    void everyEditMarksUnsaved() {
        WindowFixture fx;
        Form1& f = *fx.form;
        QApplication::clipboard()->setText(QString::fromUtf8("é"));
        QInputMethodEvent nothing, composing(QString::fromUtf8("´"), {}), committed;
        committed.setCommitString(QString::fromUtf8("é"));
        for (QWidget* w : {static_cast<QWidget*>(f.Text3), static_cast<QWidget*>(f.Text4),
                           static_cast<QWidget*>(f.Text5)}) {
            const std::vector<std::function<void()>> edits = {
                [w] { QTest::keyClick(w, Qt::Key_A); }, [w] { QTest::keyClick(w, Qt::Key_Left); },
                [w, &composing] { QApplication::sendEvent(w, &composing); },
                [w, &committed] { QApplication::sendEvent(w, &committed); },
                [w] { QMetaObject::invokeMethod(w, "paste"); }};
            f.session().discardChanges();
            QApplication::sendEvent(w, &nothing);
            QVERIFY(f.session().saved());
            for (std::size_t i = 0; i < edits.size(); ++i) {
                f.session().discardChanges();
                edits[i]();
                QVERIFY2(!f.session().saved(), qPrintable(w->objectName() + QString::number(i)));
            }
        }
        // A line break in the remark is a CR LF, as in the file.
        QTest::keyClick(f.Text5, Qt::Key_Return);
        const korvala::Site& site = f.session().site();
        QCOMPARE(site.location, std::string("ééa"));
        QCOMPARE(site.startDate, std::string("06.12.26ééa"));
        QCOMPARE(site.remark, std::string("éé\r\na"));
    }

    // The date is checked when the field is left (its normal form is the session's business),
    // not when a message box or menu takes the focus.
    void startDateCheck() {
        WindowFixture fx;
        Form1& f = *fx.form;
        const auto type = [&f](const QString& text) {
            f.Text4->clear();
            QTest::keyClicks(f.Text4, text);
        };
        type(QStringLiteral("gestern"));
        loseFocus(f.Text4, Qt::PopupFocusReason);
        QCOMPARE(f.Text4->text(), QStringLiteral("gestern"));
        QVERIFY(fx.dialogs.messages().isEmpty());
        type(QStringLiteral("31.02.26"));
        loseFocus(f.Text4, Qt::MouseFocusReason);
        QCOMPARE(fx.dialogs.messages(), QStringList{QStringLiteral("Falsche Datums-Format!")});
        QCOMPARE(f.Text4->text(), kTodayText);
        QCOMPARE(QString::fromStdString(f.session().site().startDate), kTodayText);
        type(QStringLiteral("3.12.2026"));
        f.show();
        QApplication::setActiveWindow(&f);
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.Text4->setFocus();
        QTest::keyClick(f.Text4, Qt::Key_Tab);
        QVERIFY(!f.Text4->hasFocus());
        QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
        QCOMPARE(fx.dialogs.messages().size(), 1);
        QVERIFY(report(f).contains(QStringLiteral("Beginn der Messung:\t03.12.26")));
    }

    // The report follows the site fields when the remark is left and when the grid's row
    // changes, not with every key press, and not for the "Heute" button.
    void reportRebuilds() {
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QTest::keyClicks(f.Text3, QStringLiteral("Am Hang"));
        QVERIFY(!report(f).contains(QStringLiteral("Am Hang")));
        loseFocus(f.Text5, Qt::MouseFocusReason);
        QVERIFY(report(f).contains(QStringLiteral("Ort:\t\tAm Hang")));

        f.session().discardChanges();
        const QString before = report(f);
        QTest::mouseClick(f.cmd_today, Qt::LeftButton);
        QCOMPARE(f.Text4->text(), kTodayText);
        QVERIFY(f.session().saved());
        QCOMPARE(report(f), before);

        f.session().setLocation("Neu");
        f.MSFlex[3]->show();  // an empty grid: a click into it changes nothing
        emit f.MSFlex[3]->clicked(QModelIndex());
        QCOMPARE(report(f), before);
        f.MSFlex[0]->setCurrentIndex(f.gridModels[0]->index(1, 0));
        QVERIFY(report(f).contains(QStringLiteral("Ort:\t\tNeu")));
    }

    // A load fills the statistics, grids and day buttons. A day button evaluates only on its own
    // page, and then every page's row shows that day (the rows of the other pages only check
    // their own button). A second load keeps the chosen day.
    void loadAndDaySelection() {
        WindowFixture fx;
        Form1& f = *fx.form;
        QVERIFY(!f.act_save->isEnabled() && !f.act_saveas->isEnabled());
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
        // The first record of a day takes part in the highest speed only.
        QCOMPARE(f.lbl_vmin->text(), QStringLiteral("55 km/h"));
        QCOMPARE(f.lbl_vmax->text(), QStringLiteral("62 km/h"));
        const std::array<int, 4> rows = {3, 2, 2, 0};
        for (std::size_t i = 0; i < f.MSFlex.size(); ++i) {
            QCOMPARE(f.gridModels[i]->rowCount(), i < rows.size() ? rows[i] : 0);
        }
        for (DayButtons* row : rowsByTag(f)) {
            QCOMPARE(row->button(0)->text(), QStringLiteral("03.12.26"));
            for (int i = 1; i < 7; ++i) {
                QCOMPARE(row->button(i)->isEnabled(), i < 3);
            }
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(report(f).contains(QStringLiteral("Messungen:\t\t3")));

        QSignalSpy shown(&f, &Form1::dayShown);
        int day = 0;
        for (int tab = 0; tab < 4; ++tab) {
            f.SSTab1->setCurrentIndex(tab);
            const int next = (day + 2) % 3;
            for (int other = 0; other < 4; ++other) {
                if (other != tab) {
                    rowsByTag(f)[std::size_t(other)]->button(next)->click();
                }
            }
            QCOMPARE(shown.size(), tab);
            QCOMPARE(rowsByTag(f)[std::size_t(tab)]->checkedIndex(), day);
            rowsByTag(f)[std::size_t(tab)]->button(next)->click();
            day = next;
            QCOMPARE(shown.size(), tab + 1);
            for (DayButtons* row : rowsByTag(f)) {
                QCOMPARE(row->checkedIndex(), day);
            }
            for (int i = 0; i < 7; ++i) {
                QCOMPARE(f.MSFlex[std::size_t(i)]->isHidden(), i != day);
            }
            QCOMPARE(f.lbl_ds->text(), QString::number(day == 0 ? 3 : 2));
            QCOMPARE(f.Frame1->title().simplified(),
                     QStringLiteral("Statistik Tag %1").arg(day + 1));
            QVERIFY(report(f).contains(QStringLiteral("Tag: %1").arg(day + 1)));
        }

        fx.open(QStringLiteral("zwei.spt"), smallSpt());
        // The statistics are those of day 1 again; selection, frame and grid stay on day 3, and
        // nothing of the old day 3 survives in its grid.
        QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
        QCOMPARE(f.Frame1->title().simplified(), QStringLiteral("Statistik Tag 3"));
        QCOMPARE(f.Tage0->checkedIndex(), 2);
        QVERIFY(!f.MSFlex[2]->isHidden());
        QCOMPARE(f.gridModels[2]->rowCount(), 0);
        QVERIFY(!f.Tage0->button(2)->isEnabled());
    }

    // A row shows the record's position in the day (records without a speed leave gaps), its
    // time (with the date when the record has one) and its speed.
    void gridRows() {
        const auto at = [](int h, int m, int s) { return Timestamp::fromDayAndTime(0, h, m, s); };
        Table t{{10, at(8, 0, 0), Speed::fromNumber(45)},
                {11, at(16, 17, 46), Speed::fromNumber(47.5)},
                {12, at(8, 2, 0), Speed::fromNumber(0)},
                {13, at(8, 3, 0), Speed()},
                {14, *Timestamp::parse("03.12.2026 08:00:05"), Speed::fromNumber(120)},
                Measurement{}};
        DayGridModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.fill(&t);
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(m.data(m.index(1, 2)).toString(), QStringLiteral("47,5 km/h "));
        QCOMPARE(m.data(m.index(2, 0)).toString(), QStringLiteral("5"));
        QCOMPARE(m.data(m.index(2, 1)).toString(), QStringLiteral("03.12.2026 08:00:05"));
        t.resize(1);  // a table shrunk behind the model's back is not read beyond its end
        QVERIFY(!m.data(m.index(2, 2)).isValid());
        const Table empty{Measurement{}};
        m.fill(&empty);
        QCOMPARE(m.rowCount(), 0);
    }

    // The length bar (VScroll2) sets how many hours follow the first one shown, the start bar
    // (HScroll2) which hour comes first; a longer window pulls the start back. The rows of a
    // window are the chart data's own business.
    void hourWindow() {
        HourChart chart;
        chart.setStats(sampleDay());
        QCOMPARE(chart.rowLabels().size(), 24);
        chart.VScroll2()->setValue(0);
        chart.HScroll2()->setValue(20);
        QCOMPARE(chart.rowLabels(), QStringList{QStringLiteral("04:00")});
        chart.VScroll2()->setValue(10);
        QCOMPARE(chart.HScroll2()->maximum(), 14);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("22:00"));
        QCOMPARE(chart.rowValues().first(), 15);
        auto* axis = qobject_cast<QBarCategoryAxis*>(
            chart.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(axis->count(), 11);
    }

    void chartsFollowEveryEvaluationAndKeepTheirTypes() {
        WindowFixture fx;
        const ChartViews views = wireChartsAndPrinting(*fx.form);
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QCOMPARE(views.speed->columnLabels().size(), 3);  // 45, 55 and 62 km/h
        QCOMPARE(views.hour->rowValues().first(), int(fx.form->session().stats().hourCount[0]));

        QTest::mouseClick(fx.form->cmd_pie, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_line1, Qt::LeftButton);
        views.hour->VScroll2()->setValue(4);
        fx.form->showDay(1, 0);
        QCOMPARE(views.speed->chartType(), chart_type::Pie);
        QCOMPARE(views.hour->chartType(), chart_type::Line);
        QCOMPARE(views.hour->rowLabels().size(), 5);
        QCOMPARE(views.speed->columnLabels().first(), QStringLiteral(" 30 - 39 km/h  1 KFZ  "));
        QTest::mouseClick(fx.form->cmd_bar, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_bar1, Qt::LeftButton);
        QCOMPARE(views.speed->chartType(), chart_type::Bar);
        QCOMPARE(views.hour->chartType(), chart_type::Bar);
    }

    // The chart buttons show the chart in the preview (the speed chart at half size), which
    // prints it; the report button prints the report text.
    void printButtonsPrintToTheChosenPdf() {
        WindowFixture fx;
        QString target;
        wireChartsAndPrinting(*fx.form, [&](QPrinter& printer, QWidget*) {
            usePdfFile(printer, target);
            return true;
        });
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QVector<int> divisors;
        fx.dialogs.onModal = [&](QDialog& dialog) {
            divisors << qobject_cast<Druck*>(&dialog)->faktor();
            qobject_cast<Druck*>(&dialog)->Command1()->click();
        };
        for (QToolButton* button :
             {fx.form->cmd_printCh1, fx.form->cmd_printCh2, fx.form->cmd_printProtokoll}) {
            target = fx.dir.filePath(button->objectName() + QStringLiteral(".pdf"));
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(print_test::pageCount(target), 1);
        }
        QCOMPARE(divisors, (QVector<int>{2, 1}));
        const QString speedChart = fx.dir.filePath(QStringLiteral("cmd_printCh1.pdf"));
        QVERIFY(
            print_test::pageLines(speedChart, 1).join('|').contains(QStringLiteral("50 - 59 k")));
        QVERIFY(print_test::pageLines(target, 1).contains(QStringLiteral("Messungen: 3")));
    }

    void watchdogHidesTransferFrame() {
        WindowFixture fx;
        Form1& f = *fx.form;
        f.dlg_input->show();
        f.dlg_daten->show();
        f.inputTimer->start();
        QTest::qWait(1300);  // while a transfer runs, the frame stays
        QVERIFY(!f.dlg_input->isHidden());
        f.inputTimer->stop();
        QTRY_VERIFY_WITH_TIMEOUT(f.dlg_input->isHidden(), 3000);
        QVERIFY(f.dlg_daten->isHidden());
    }

    // The program waits for the splash box at start: it must end by itself, and at once when
    // the user presses a key.
    void splashEnds() {
        frmSplash s;
        QSignalSpy early(&s, &frmSplash::mainWindowRequested);
        s.exec();
        QCOMPARE(early.size(), 0);
        QTimer::singleShot(50, &s, [&] { QTest::keyClick(&s, Qt::Key_Space); });
        s.exec();
        QCOMPARE(early.size(), 1);
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
