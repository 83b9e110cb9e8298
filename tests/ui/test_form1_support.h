#pragma once
// Shared set-up of the main-window tests: a window without splash, a pinned "today", a program
// folder in a temporary directory, scripted dialogs, and small measurement files of our own.

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

// A caption as the menu shows it: the Alt key marker dropped, a doubled "&&" kept as one '&'.
inline QString shownCaption(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            ++i;
            if (i == text.size()) {
                break;
            }
        }
        out += text[i];
    }
    return out;
}

// The Alt key letter of a caption (lower case), or a null character when it has none.
inline QChar mnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                return text[i + 1].toLower();
            }
            ++i;
        }
    }
    return {};
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
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
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

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
};

}  // namespace korvala::ui::test
