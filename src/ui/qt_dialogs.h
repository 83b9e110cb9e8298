#pragma once
// The real dialogs: Qt message boxes, file dialogs, the printer dialog and the print preview, with
// German button texts whether or not Qt's own translations are installed.

#include "ui/dialogs.h"

namespace korvala::ui {

class QtDialogs final : public Dialogs {
  public:
    // `parent` owns the modal boxes (usually the main window); it may be set later.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) override;
    void inform(const QString& title, const QString& text, Icon icon) override;
    std::optional<QString> openFile(const QString& caption, const QString& dir,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& caption, const QString& dir,
                                    const QString& proposedName, const QString& filter,
                                    const QString& defaultExt) override;
    bool choosePrinter(QPrinter& printer, int& copies) override;
    void preview(const QString& title, QPrinter& printer,
                 const std::function<void(QPrinter*)>& paint) override;
    void runModal(QDialog& dialog) override;

  private:
    QWidget* parent_;
};

}  // namespace korvala::ui
