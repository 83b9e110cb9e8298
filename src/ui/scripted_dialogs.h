#pragma once
// A Dialogs implementation for tests: every call is recorded, answers come from queues filled by
// the test beforehand. A call without a queued answer is counted in `unanswered` and gets the
// cautious answer (Cancel, No, nothing chosen), so a missing script entry shows up as a failed
// expectation instead of a blocked test.

#include <QDialog>
#include <QPrinter>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialogs.h"

namespace korvala::ui {

class ScriptedDialogs final : public Dialogs {
  public:
    enum class Kind { Ask, Inform, OpenFile, SaveFile, ChoosePrinter, Preview, Modal };

    struct Call {
        Kind kind;
        QString title;  // message box title, dialog caption or modal window title
        QString text;   // message text
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString dir, filter, proposedName, defaultExt;  // file dialogs
        QString objectName;                             // runModal: the dialog's object name
    };

    std::deque<Answer> answers;                            // for ask()
    std::deque<std::optional<QString>> fileAnswers;        // for openFile() and saveFile()
    std::deque<bool> printerAnswers;                       // for choosePrinter()
    std::function<void(QPrinter&, int&)> onPrinterChosen;  // the user's choice in the dialog
    std::function<void(QPrinter*)> onPreview;              // default: the preview paints once
    std::function<void(QDialog&)> onModal;                 // default: the dialog is only recorded
    std::vector<Call> calls;
    int unanswered = 0;

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) override {
        calls.push_back({Kind::Ask, title, text, buttons, icon, {}, {}, {}, {}, {}});
        if (answers.empty()) {
            ++unanswered;
            return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void inform(const QString& title, const QString& text, Icon icon) override {
        calls.push_back({Kind::Inform, title, text, Buttons::Ok, icon, {}, {}, {}, {}, {}});
    }
    std::optional<QString> openFile(const QString& caption, const QString& dir,
                                    const QString& filter) override {
        calls.push_back(
            {Kind::OpenFile, caption, {}, Buttons::Ok, Icon::None, dir, filter, {}, {}, {}});
        return nextFile();
    }
    std::optional<QString> saveFile(const QString& caption, const QString& dir,
                                    const QString& proposedName, const QString& filter,
                                    const QString& defaultExt) override {
        calls.push_back({Kind::SaveFile,
                         caption,
                         {},
                         Buttons::Ok,
                         Icon::None,
                         dir,
                         filter,
                         proposedName,
                         defaultExt,
                         {}});
        return nextFile();
    }
    bool choosePrinter(QPrinter& printer, int& copies) override {
        calls.push_back({Kind::ChoosePrinter, {}, {}, Buttons::Ok, Icon::None, {}, {}, {}, {}, {}});
        if (printerAnswers.empty()) {
            ++unanswered;
            return false;
        }
        const bool a = printerAnswers.front();
        printerAnswers.pop_front();
        if (a && onPrinterChosen) {
            onPrinterChosen(printer, copies);
        }
        return a;
    }
    void preview(const QString& title, QPrinter& printer,
                 const std::function<void(QPrinter*)>& paint) override {
        calls.push_back({Kind::Preview, title, {}, Buttons::Ok, Icon::None, {}, {}, {}, {}, {}});
        if (onPreview) {
            onPreview(&printer);
        } else {
            paint(&printer);
        }
    }
    void runModal(QDialog& dialog) override {
        calls.push_back({Kind::Modal,
                         dialog.windowTitle(),
                         {},
                         Buttons::Ok,
                         Icon::None,
                         {},
                         {},
                         {},
                         {},
                         dialog.objectName()});
        if (onModal) {
            onModal(dialog);
        }
    }

    // The calls of one kind, in order.
    std::vector<Call> callsOf(Kind kind) const {
        std::vector<Call> out;
        for (const Call& c : calls) {
            if (c.kind == kind) {
                out.push_back(c);
            }
        }
        return out;
    }
    // Texts of every message box shown (questions and messages), in order.
    QStringList messages() const {
        QStringList out;
        for (const Call& c : calls) {
            if (c.kind == Kind::Ask || c.kind == Kind::Inform) {
                out << c.text;
            }
        }
        return out;
    }
    void clear() {
        calls.clear();
        unanswered = 0;
    }

  private:
    std::optional<QString> nextFile() {
        if (fileAnswers.empty()) {
            ++unanswered;
            return std::nullopt;
        }
        const bool chosen = fileAnswers.front().has_value();
        const QString path = chosen ? *fileAnswers.front() : QString();
        fileAnswers.pop_front();
        return chosen ? std::optional<QString>(path) : std::nullopt;
    }
};

}  // namespace korvala::ui
