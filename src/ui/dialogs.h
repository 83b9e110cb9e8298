#pragma once
// Every modal question, message, file dialog, printer dialog and print preview of the program goes
// through this one interface. The window never calls a QMessageBox or QFileDialog itself, so the
// whole flow of a command (which question, which answer, what happens next) can be driven by a
// scripted implementation in tests without a modal event loop.

#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace korvala::ui {

enum class Answer { Ok, Cancel, Yes, No };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Warning, Critical };

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A message box with a choice; returns the button pressed (closing the box by the window
    // system counts as Cancel, or as No where there is no Cancel button).
    virtual Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) = 0;
    // A message box with an OK button only.
    virtual void inform(const QString& title, const QString& text, Icon icon) = 0;

    // File dialogs. `filter` is a Qt filter string ("(*.spt);;(*.log)"). The result is the chosen
    // path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(const QString& caption, const QString& dir,
                                            const QString& filter) = 0;
    // `proposedName` is either a bare file name (placed into `dir`) or an absolute path.
    // `defaultExt` (without dot) is appended when the user types a name without extension.
    virtual std::optional<QString> saveFile(const QString& caption, const QString& dir,
                                            const QString& proposedName, const QString& filter,
                                            const QString& defaultExt) = 0;

    // The printer dialog; printing to a PDF file is always offered. Returns false on cancel.
    // `copies` carries the number of copies in and out.
    virtual bool choosePrinter(QPrinter& printer, int& copies) = 0;
    // A print preview of `paint`, which draws the pages on the printer it is given.
    virtual void preview(const QString& title, QPrinter& printer,
                         const std::function<void(QPrinter*)>& paint) = 0;

    // Runs one of the program's own modal windows (about box, date/time dialog) until it closes.
    virtual void runModal(QDialog& dialog) = 0;
};

}  // namespace korvala::ui
