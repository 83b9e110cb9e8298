// The real dialogs: button mapping and German texts of the message boxes, and the file dialogs'
// start folder, proposed name and default extension.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "ui/qt_dialogs.h"

using namespace korvala::ui;

namespace {

// Runs `act` on the modal dialog of type T once it is shown.
template <typename T>
void whenShown(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(d);
        }
    });
    poll->start();
}

QStringList buttonTexts(QMessageBox* box) {
    QStringList out;
    for (QAbstractButton* b : box->buttons()) {
        out << b->text();
    }
    out.sort();
    return out;
}

}  // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT

  private slots:
    void askMapsTheButtonPressed_data();
    void askMapsTheButtonPressed();
    void escapeWithoutCancelMeansNo();
    void informShowsOk();
    void saveDialogProposesAndAddsExtension();
    void openDialogCancel();
};

void TestQtDialogs::askMapsTheButtonPressed_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("texts");
    const QStringList ync = {"Abbrechen", "Ja", "Nein"};
    QTest::newRow("Ja") << int(Buttons::YesNoCancel) << "Ja" << int(Answer::Yes) << ync;
    QTest::newRow("Nein") << int(Buttons::YesNoCancel) << "Nein" << int(Answer::No) << ync;
    QTest::newRow("Abbrechen") << int(Buttons::YesNoCancel) << "Abbrechen" << int(Answer::Cancel)
                               << ync;
    QTest::newRow("OK of two") << int(Buttons::OkCancel) << "OK" << int(Answer::Ok)
                               << QStringList{"Abbrechen", "OK"};
}

void TestQtDialogs::askMapsTheButtonPressed() {
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    QFETCH(QStringList, texts);
    QtDialogs dialogs;
    QStringList seen;
    QString title, text;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        seen = buttonTexts(box);
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == press) {
                b->click();
            }
        }
    });
    const Answer a = dialogs.ask(QStringLiteral("Speichern?"), QStringLiteral("Frage"),
                                 static_cast<Buttons>(buttons), Icon::Question);
    QCOMPARE(int(a), answer);
    QCOMPARE(seen, texts);
    QCOMPARE(title, QStringLiteral("Speichern?"));
    QCOMPARE(text, QStringLiteral("Frage"));
}

void TestQtDialogs::escapeWithoutCancelMeansNo() {
    QtDialogs dialogs;
    whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(dialogs.ask(QStringLiteral("T"), QStringLiteral("F"), Buttons::YesNo, Icon::None),
             Answer::No);
}

void TestQtDialogs::informShowsOk() {
    QtDialogs dialogs;
    QStringList seen;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        seen = buttonTexts(box);
        icon = box->icon();
        box->buttons().constFirst()->click();
    });
    dialogs.inform(QStringLiteral("Korvala"), QStringLiteral("Falsches Format!"), Icon::Critical);
    QCOMPARE(seen, QStringList{QStringLiteral("OK")});
    QCOMPARE(icon, QMessageBox::Critical);
}

void TestQtDialogs::saveDialogProposesAndAddsExtension() {
    QTemporaryDir dir;
    QtDialogs dialogs;
    QString proposed, folder;
    whenShown<QFileDialog>([&](QFileDialog* d) {
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        proposed = name->text();
        folder = d->directory().absolutePath();
        name->setText(QStringLiteral("messung"));
        QMetaObject::invokeMethod(d, "accept");
    });
    const auto chosen = dialogs.saveFile(QStringLiteral("Speichern unter"), dir.path(),
                                         QStringLiteral("Haupt031226.spt"),
                                         QStringLiteral("(*.spt)"), QStringLiteral("spt"));
    QCOMPARE(proposed, QStringLiteral("Haupt031226.spt"));
    QCOMPARE(QDir(folder).canonicalPath(), QDir(dir.path()).canonicalPath());
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen).fileName(), QStringLiteral("messung.spt"));
}

void TestQtDialogs::openDialogCancel() {
    QTemporaryDir dir;
    QtDialogs dialogs;
    whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
    QVERIFY(
        !dialogs
             .openFile(QString::fromUtf8("Öffnen"), dir.path(), QStringLiteral("(*.spt);;(*.log)"))
             .has_value());
}

QTEST_MAIN(TestQtDialogs)
#include "test_qt_dialogs.moc"
