#pragma once
// "Gerätedatum und Uhrzeit": writes the clock-setting file onto the card drive the user picks.
// The device reads the file when it starts and sets its clock from it.

#include <QDateTime>
#include <QDialog>
#include <QStringList>

#include <functional>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace korvala::ui {

class Dialogs;

class datAndtime final : public QDialog {
    Q_OBJECT
  public:
    using Clock = std::function<QDateTime()>;

    // `clock` is the PC clock (replaceable in tests); messages go through `dialogs`.
    explicit datAndtime(Dialogs& dialogs, Clock clock = {}, QWidget* parent = nullptr);

    // Mount points that can hold a card: removable and user-mounted volumes first, the root
    // folder last.
    static QStringList cardDrives();
    // Replaces the entries of Drive1 (the first becomes the choice).
    void setDrives(const QStringList& drives);
    QString drive() const;

    // Writes `timedate` to the clock file of `laufwerk` and tells the user the outcome. Returns
    // whether the file was written; on failure the dialog stays as it is.
    bool saveTime_Click(const QString& timedate, const QString& laufwerk);
    void cmd_dateAndTime_Click();
    void t_aktTime_Timer();

    QGroupBox* Frame2;
    QLabel* Label1;
    QComboBox* Drive1;
    QLabel* Label5;
    QCalendarWidget* datum;
    QLabel* Label2;
    QLineEdit* Text2;
    QLabel* Label12;
    QCheckBox* check1;
    QPushButton* cmd_dateAndTime;
    QPushButton* Command1;
    QTimer* t_aktTime;

  private:
    Dialogs& dialogs_;
    Clock clock_;
};

}  // namespace korvala::ui
