// The charts and print commands inside the main window: data after a load, the type buttons,
// and the three print buttons through the window's dialogs.

#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "output/print/printer_choice.h"
#include "test_form1_support.h"
#include "test_print_support.h"
#include "ui/chart_wiring.h"
#include "ui/druck.h"
#include "ui/hour_chart.h"
#include "ui/speed_chart.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

class TestChartsWiring : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir out_;

  private slots:
    void initTestCase() {
        QVERIFY(out_.isValid());
        if (qEnvironmentVariableIsSet("KORVALA_KEEP_PDF")) {
            out_.setAutoRemove(false);
            qInfo() << "PDF files stay in" << out_.path();
        }
    }

    void chartsFollowEveryEvaluationAndKeepTheirTypes() {
        WindowFixture fx;
        const ChartViews views = wireChartsAndPrinting(*fx.form);
        QVERIFY(views.speed->columnLabels().isEmpty());

        fx.open(QStringLiteral("drei.log"), threeDayLog());
        // Day 1: 45, 55 and 62 km/h.
        QCOMPARE(views.speed->columnLabels(),
                 (QStringList{QStringLiteral(" 40 - 49 km/h  1 KFZ  "),
                              QStringLiteral(" 50 - 59 km/h  1 KFZ  "),
                              QStringLiteral(" 60 - 69 km/h  1 KFZ  ")}));
        const auto& stats = fx.form->session().stats();
        QCOMPARE(views.hour->rowLabels().first(), QString::fromStdString(stats.hourLabel[0]));
        QCOMPARE(views.hour->rowValues().first(), int(stats.hourCount[0]));

        QTest::mouseClick(fx.form->cmd_pie, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_line1, Qt::LeftButton);
        views.hour->VScroll2()->setValue(4);
        fx.form->showDay(1, 0);
        QCOMPARE(views.speed->chartType(), chart_type::Pie);
        QCOMPARE(views.hour->chartType(), chart_type::Line);
        QCOMPARE(views.hour->rowLabels().size(), 5);
        QCOMPARE(views.speed->columnLabels(),
                 (QStringList{QStringLiteral(" 30 - 39 km/h  1 KFZ  "),
                              QStringLiteral(" 40 - 49 km/h  1 KFZ  ")}));
        QTest::mouseClick(fx.form->cmd_bar, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_bar1, Qt::LeftButton);
        QCOMPARE(views.speed->chartType(), chart_type::Bar);
        QCOMPARE(views.hour->chartType(), chart_type::Bar);
        QVERIFY(!fx.form->cmd_bar->icon().isNull());
    }

    void chartPrintButtonsOpenThePreviewWithTheirDivisor() {
        WindowFixture fx;
        wireChartsAndPrinting(*fx.form);
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QVector<int> divisors;
        fx.dialogs.onModal = [&](QDialog& dialog) {
            auto* preview = qobject_cast<Druck*>(&dialog);
            QVERIFY(preview != nullptr);
            divisors << preview->faktor();
            QVERIFY(!preview->picture().boundingRect().isEmpty());
            preview->Command1()->click();  // the scripted printer dialog cancels
            preview->Command2()->click();
        };
        QTest::mouseClick(fx.form->cmd_printCh1, Qt::LeftButton);
        QCOMPARE(fx.form->faktor, 2);
        QTest::mouseClick(fx.form->cmd_printCh2, Qt::LeftButton);
        QCOMPARE(fx.form->faktor, 1);
        QCOMPARE(divisors, (QVector<int>{2, 1}));
        const auto modals = fx.dialogs.callsOf(ScriptedDialogs::Kind::Modal);
        QCOMPARE(modals.size(), std::size_t(2));
        QCOMPARE(modals[0].title, QStringLiteral("Druckvorschau"));
        QCOMPARE(fx.dialogs.callsOf(ScriptedDialogs::Kind::ChoosePrinter).size(), std::size_t(2));
    }

    void printButtonsPrintToTheChosenPdf() {
        WindowFixture fx;
        QString target;
        wireChartsAndPrinting(*fx.form, [&](QPrinter& printer, QWidget*) {
            usePdfFile(printer, target);
            return true;
        });
        fx.open(QStringLiteral("drei.log"), threeDayLog());

        target = out_.filePath(QStringLiteral("report.pdf"));
        QTest::mouseClick(fx.form->cmd_printProtokoll, Qt::LeftButton);
        QCOMPARE(print_test::pageCount(target), 1);
        const QStringList lines = print_test::pageLines(target, 1);
        QCOMPARE(lines.first(), QStringLiteral("Report"));
        QCOMPARE(lines.last(), QStringLiteral("Seite 1"));

        target = out_.filePath(QStringLiteral("hours.pdf"));
        fx.dialogs.onModal = [](QDialog& dialog) {
            qobject_cast<Druck*>(&dialog)->Command1()->click();
        };
        QTest::mouseClick(fx.form->cmd_printCh2, Qt::LeftButton);
        QCOMPARE(print_test::pageCount(target), 1);
    }
};

QTEST_MAIN(TestChartsWiring)
#include "test_charts_wiring.moc"
