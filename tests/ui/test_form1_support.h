#pragma once
// Shared set-up of the window tests: a window without splash, a pinned "today", a program folder in
// a temporary directory, scripted dialogs, our own measurement files, PDFs read with poppler-utils.

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

#include <memory>

#include "ui/form1.h"
#include "ui/scripted_dialogs.h"

namespace korvala::ui::test {

inline const QDate kToday(2026, 12, 6);
inline const QString kTodayText = QStringLiteral("06.12.26");

// Three days of a device log: day 1 has a vehicle with speed 0 at line 3, day 2 two vehicles,
// day 3 two vehicles. Day 1 counts 3 vehicles (45, 55, 62 km/h).
inline QByteArray threeDayLog() {
    return "/03/12/2026/08:00:00,45\r\n"
           "/03/12/2026/09:00:00,55\r\n"
           "/03/12/2026/10:00:00,0\r\n"
           "/03/12/2026/11:00:00,62\r\n"
           "/04/12/2026/07:00:00,38\r\n"
           "/04/12/2026/08:30:00,41\r\n"
           "/05/12/2026/06:00:00,50\r\n"
           "/05/12/2026/06:10:00,52\r\n";
}

// A measurement file as the program writes it (Windows-1252: \xe4 is "ä").
inline QByteArray smallSpt() {
    return "\"spt\",\"Ort A\",\"03.12.26\"\r\n"
           "Zweite Zeile\r\n"
           "N\xe4he Schule\r\n"
           "<>\r\n"
           "\r\n\r\n\r\n"
           "0,08:00:00,40\r\n"
           "1,08:10:00,44\r\n"
           "2,08:20:00,48\r\n";
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool saveBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The texts of one row of a table widget, empty for a cell without an item.
inline QStringList tableRow(const QTableWidget* table, int row) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c) {
        cells << (table->item(row, c) != nullptr ? table->item(row, c)->text() : QString());
    }
    return cells;
}

// The field loses the focus the way a click elsewhere or Tab takes it.
inline void loseFocus(QWidget* field, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(field, &out);
}

class WindowFixture {
  public:
    WindowFixture() {
        Form1Options options;
        options.showSplash = false;
        options.today = [] { return kToday; };
        options.programDir = dir.path();
        form = std::make_unique<Form1>(dialogs, options);
    }

    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = dir.filePath(name);
        if (!saveBytes(path, bytes)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }
    static QByteArray read(const QString& path) { return fileBytes(path); }
    // Loads `bytes` as "Öffnen" with the dialog answering `name`.
    void open(const QString& name, const QByteArray& bytes) {
        dialogs.fileAnswers.push_back(write(name, bytes));
        form->open_Click();
    }
    // The user types into the location field (a key press marks the data unsaved).
    void typeLocation(const QString& text) const {
        form->Text3->clear();
        QTest::keyClicks(form->Text3, text);
    }
    // Drags `urls` onto the window and drops them if the window takes the drag; returns whether
    // it did. A refused drag is dropped all the same, as a careless platform might.
    bool drop(const QList<QUrl>& urls, const QString& text = {}) {
        QMimeData mime;
        mime.setUrls(urls);
        if (!text.isEmpty()) {
            mime.setText(text);
        }
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &event);
        return enter.isAccepted();
    }
    QString fileName() const { return QString::fromStdString(form->session().fileName()); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
};

}  // namespace korvala::ui::test

namespace print_test {

// An A4 PDF printer whose printable area is the whole paper unless margins are given.
inline void usePdf(QPrinter& printer, const QString& file, QMarginsF marginsMm = {}) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(marginsMm, QPageLayout::Millimeter);
}

inline QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// pdftotext ends every page with a form feed.
inline int pageCount(const QString& pdf) {
    return int(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).count(QChar('\f')));
}

// The non-empty lines of one page (1-based) as pdftotext -layout lays them out, simplified.
inline QStringList pageLines(const QString& pdf, int page) {
    const QString p = QString::number(page);
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), "-f", p, "-l",
                                                           p, pdf, QStringLiteral("-")});
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            lines << line.simplified();
        }
    }
    return lines;
}

}  // namespace print_test
