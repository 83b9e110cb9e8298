// The main window itself: the site fields, the day selection across the four pages and the day
// grids, when the report is rebuilt, the transfer frame and the splash.

#include "test_form1_support.h"
#include "ui/day_buttons.h"
#include "ui/day_grid_model.h"
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

QStringList rowsOf(const DayGridModel& m) {
    QStringList rows;
    for (int r = 0; r < m.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m.columnCount(); ++c) {
            cells << m.data(m.index(r, c)).toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private slots:
    // With an input method (dead keys, compose, ibus) the field receives the typed text as an
    // input method event instead of a key press, and pasted text comes without any key; the data
    // are changed all the same.
    void typingMarksUnsaved_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");  // 0: input method commit, -1: still composing, -2: pasted
        for (const char* field : {"Text3", "Text4", "Text5"}) {
            QTest::addRow("%s, letter", field) << field << int(Qt::Key_A);
            QTest::addRow("%s, cursor key", field) << field << int(Qt::Key_Left);
            QTest::addRow("%s, composed character", field) << field << 0;
            QTest::addRow("%s, still composing", field) << field << -1;
            QTest::addRow("%s, pasted", field) << field << -2;
        }
    }
    void typingMarksUnsaved() {
        QFETCH(QString, field);
        QFETCH(int, key);
        WindowFixture fx;
        QWidget* w = fx.form->findChild<QWidget*>(field);
        // Focus handling may send empty input method events; they are no typing.
        QInputMethodEvent nothing;
        QApplication::sendEvent(w, &nothing);
        QVERIFY(fx.form->session().saved());
        if (key > 0) {
            QTest::keyClick(w, static_cast<Qt::Key>(key));
        } else if (key == -2) {
            QApplication::clipboard()->setText(QString::fromUtf8("é"));
            QMetaObject::invokeMethod(w, "paste");
        } else {
            QInputMethodEvent typed(key < 0 ? QString::fromUtf8("´") : QString(), {});
            typed.setCommitString(key < 0 ? QString() : QString::fromUtf8("é"));
            QApplication::sendEvent(w, &typed);
        }
        QVERIFY(!fx.form->session().saved());
        const korvala::Site& site = fx.form->session().site();
        const std::string& text = field == "Text3"   ? site.location
                                  : field == "Text4" ? site.startDate
                                                     : site.remark;
        QCOMPARE(QString::fromStdString(text).contains(QString::fromUtf8("é")),
                 key == 0 || key == -2);
    }

    void remarkKeepsCrLf() {
        WindowFixture fx;
        Form1& f = *fx.form;
        QTest::keyClicks(f.Text5, QStringLiteral("X"));
        QTest::keyClick(f.Text5, Qt::Key_Return);
        QTest::keyClicks(f.Text5, QStringLiteral("Y"));
        QCOMPARE(f.session().site().remark, std::string("X\r\nY"));
        // A remark that comes from the session shows one line per line.
        f.session().setRemark("eins\r\nzwei");
        f.refreshSiteFields();
        QCOMPARE(f.Text5->toPlainText(), QStringLiteral("eins\nzwei"));
        QCOMPARE(f.session().site().remark, std::string("eins\r\nzwei"));
    }

    void startDateCheck_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("message");
        const int tab = Qt::TabFocusReason;
        QTest::newRow("long year, Tab key") << "3.12.2026" << -1 << "03.12.26" << false;
        QTest::newRow("already normal") << "01.02.05" << tab << "01.02.05" << false;
        QTest::newRow("no such day") << "31.02.26" << tab << kTodayText << true;
        QTest::newRow("empty") << "" << int(Qt::MouseFocusReason) << kTodayText << true;
        QTest::newRow("text") << "gestern" << tab << kTodayText << true;
        // A message box or menu taking the focus is no leaving of the field.
        QTest::newRow("popup") << "gestern" << int(Qt::PopupFocusReason) << "gestern" << false;
    }
    void startDateCheck() {
        QFETCH(QString, typed);
        QFETCH(int, reason);
        QFETCH(QString, shown);
        QFETCH(bool, message);
        WindowFixture fx;
        Form1& f = *fx.form;
        f.Text4->clear();
        QTest::keyClicks(f.Text4, typed);
        if (reason < 0) {
            f.show();
            QApplication::setActiveWindow(&f);
            QVERIFY(QTest::qWaitForWindowActive(&f));
            f.Text4->setFocus();
            QTest::keyClick(f.Text4, Qt::Key_Tab);
            QVERIFY(!f.Text4->hasFocus());
        } else {
            loseFocus(f.Text4, static_cast<Qt::FocusReason>(reason));
        }
        QCOMPARE(f.Text4->text(), shown);
        QCOMPARE(QString::fromStdString(f.session().site().startDate), shown);
        QCOMPARE(fx.dialogs.messages(),
                 message ? QStringList{QStringLiteral("Falsche Datums-Format!")} : QStringList{});
        if (reason != Qt::PopupFocusReason) {
            QVERIFY(report(f).contains(QStringLiteral("Beginn der Messung:\t") + shown));
        }
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
        QCOMPARE(QString::fromStdString(f.session().site().startDate), kTodayText);
        QVERIFY(f.session().saved());
        QCOMPARE(report(f), before);

        f.session().setLocation("Neu");
        f.MSFlex[3]->show();  // an empty grid: a click into it changes nothing
        emit f.MSFlex[3]->clicked(QModelIndex());
        QCOMPARE(report(f), before);
        f.MSFlex[0]->setCurrentIndex(f.gridModels[0]->index(1, 0));
        QVERIFY(report(f).contains(QStringLiteral("Ort:\t\tNeu")));
    }

    // A load fills the statistics, grids and day buttons; a second load keeps the chosen day.
    void loadFillsDayViews() {
        WindowFixture fx;
        Form1& f = *fx.form;
        QVERIFY(!f.act_save->isEnabled() && !f.act_saveas->isEnabled());
        QVERIFY(!f.act_export->isEnabled());
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QVERIFY(fx.dialogs.messages().isEmpty());
        QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
        QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
        // The first record of a day takes part in the highest speed only.
        QCOMPARE(f.lbl_vmin->text(), QStringLiteral("55 km/h"));
        QCOMPARE(f.lbl_vmax->text(), QStringLiteral("62 km/h"));
        const std::array<int, 4> rows = {3, 2, 2, 0};
        for (std::size_t i = 0; i < f.MSFlex.size(); ++i) {
            QCOMPARE(f.gridModels[i]->rowCount(), i < rows.size() ? rows[i] : 0);
            QCOMPARE(f.MSFlex[i]->isHidden(), i != 0);
        }
        for (DayButtons* row : rowsByTag(f)) {
            QCOMPARE(row->button(0)->text(), QStringLiteral("03.12.26"));
            for (int i = 1; i < 7; ++i) {
                QCOMPARE(row->button(i)->isEnabled(), i < 3);
            }
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(report(f).contains(QStringLiteral("Messungen:\t\t3")));

        f.Tage0->button(2)->click();
        fx.open(QStringLiteral("zwei.spt"), smallSpt());
        // The statistics are those of day 1 again; selection, frame and grid stay on day 3.
        QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
        QCOMPARE(f.Frame1->title().simplified(), QStringLiteral("Statistik Tag 3"));
        QCOMPARE(f.Tage0->checkedIndex(), 2);
        QVERIFY(!f.MSFlex[2]->isHidden());
        // The new measurement has one day: nothing of the old day 3 survives in its grid.
        QCOMPARE(f.gridModels[2]->rowCount(), 0);
        QVERIFY(!f.Tage0->button(2)->isEnabled());
    }

    void dayClickOnlyOnItsOwnTab_data() {
        QTest::addColumn<int>("currentTab");
        QTest::addColumn<int>("clickedRow");
        for (int tab = 0; tab < 4; ++tab) {
            for (int row = 0; row < 4; ++row) {
                QTest::addRow("tab %d, row of tab %d", tab, row) << tab << row;
            }
        }
    }
    void dayClickOnlyOnItsOwnTab() {
        QFETCH(int, currentTab);
        QFETCH(int, clickedRow);
        const bool evaluates = currentTab == clickedRow;
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        f.SSTab1->setCurrentIndex(currentTab);
        QSignalSpy shown(&f, &Form1::dayShown);
        rowsByTag(f)[std::size_t(clickedRow)]->button(1)->click();
        QCOMPARE(shown.size(), evaluates ? 1 : 0);
        const int day = evaluates ? 1 : 0;
        // A click elsewhere checks only the clicked button of its own row.
        for (DayButtons* row : rowsByTag(f)) {
            if (evaluates || row == rowsByTag(f)[std::size_t(currentTab)]) {
                QCOMPARE(row->checkedIndex(), day);
            }
        }
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(f.MSFlex[std::size_t(i)]->isHidden(), i != day);
        }
        QCOMPARE(f.lbl_ds->text(), evaluates ? QStringLiteral("2") : QStringLiteral("3"));
        QCOMPARE(f.Frame1->title().simplified(), QStringLiteral("Statistik Tag %1").arg(day + 1));
        QCOMPARE(report(f).contains(QStringLiteral("Tag: 2")), evaluates);
    }

    // A row shows the record's position in the day (records without a speed leave gaps), its
    // time (with the date when the record has one) and its speed.
    void gridRows() {
        const auto at = [](int h, int m, int s) { return Timestamp::fromDayAndTime(0, h, m, s); };
        Table t{{10, at(8, 0, 0), Speed::fromNumber(45)},
                {11, at(16, 17, 46), Speed::fromNumber(47.5)},
                {12, at(8, 2, 0), Speed::fromNumber(0)},
                {13, at(8, 3, 0), Speed()},
                {14, *Timestamp::fromDate(2026, 12, 3, 8, 0, 5), Speed::fromNumber(120)},
                Measurement{}};
        DayGridModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.fill(&t);
        QCOMPARE(rowsOf(m), (QStringList{"1|08:00:00|45 km/h ", "2|16:17:46|47,5 km/h ",
                                         "5|03.12.2026 08:00:05|120 km/h "}));
        t.resize(1);  // a table shrunk behind the model's back is not read beyond its end
        QVERIFY(!m.data(m.index(2, 2)).isValid());
        const Table empty{Measurement{}};
        m.fill(&empty);
        QCOMPARE(m.rowCount(), 0);
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
