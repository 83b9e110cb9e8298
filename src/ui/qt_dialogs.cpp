#include "ui/qt_dialogs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace korvala::ui {

namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Qt's translations are an optional package; the few button texts the program shows are set here
// so the boxes read German everywhere.
void germanButtons(QMessageBox& box) {
    const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "Abbrechen"},
        {QMessageBox::Yes, "Ja"},
        {QMessageBox::No, "Nein"},
    };
    for (const auto& [button, text] : texts) {
        if (QAbstractButton* b = box.button(button)) {
            b->setText(QString::fromUtf8(text));
        }
    }
}

void germanLabels(QFileDialog& dialog, bool saving) {
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    dialog.setLabelText(QFileDialog::Accept,
                        saving ? QStringLiteral("Speichern") : QString::fromUtf8("Öffnen"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
}

std::optional<QString> runFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

Answer QtDialogs::ask(const QString& title, const QString& text, Buttons buttons, Icon icon) {
    QMessageBox box(toQt(icon), title, text, toQt(buttons), parent_);
    germanButtons(box);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            break;
    }
    // Escape or the title-bar close without a Cancel button means "no".
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

void QtDialogs::inform(const QString& title, const QString& text, Icon icon) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent_);
    germanButtons(box);
    box.exec();
}

std::optional<QString> QtDialogs::openFile(const QString& caption, const QString& dir,
                                           const QString& filter) {
    QFileDialog dialog(parent_, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    germanLabels(dialog, false);
    return runFileDialog(dialog);
}

std::optional<QString> QtDialogs::saveFile(const QString& caption, const QString& dir,
                                           const QString& proposedName, const QString& filter,
                                           const QString& defaultExt) {
    QFileDialog dialog(parent_, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultExt);
    // The program asks its own overwrite question after the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    germanLabels(dialog, true);
    if (!proposedName.isEmpty()) {
        const QFileInfo proposed(proposedName);
        if (proposed.isAbsolute()) {
            dialog.setDirectory(proposed.absolutePath());
        }
        dialog.selectFile(proposed.isAbsolute() ? proposed.fileName() : proposedName);
    }
    return runFileDialog(dialog);
}

bool QtDialogs::choosePrinter(QPrinter& printer, int& copies) {
    printer.setCopyCount(copies);
    QPrintDialog dialog(&printer, parent_);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    copies = printer.copyCount();
    return true;
}

void QtDialogs::preview(const QString& title, QPrinter& printer,
                        const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* p) { paint(p); });
    dialog.exec();
}

void QtDialogs::runModal(QDialog& dialog) {
    dialog.exec();
}

}  // namespace korvala::ui
