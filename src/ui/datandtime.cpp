#include "ui/datandtime.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QVBoxLayout>

#include "device/clock_file.h"
#include "ui/app_texts.h"
#include "ui/dialogs.h"

namespace korvala::ui {

namespace {

const QString kTimeFormat = QStringLiteral("hh:mm:ss");

// Where desktops mount cards and sticks; these are the likely targets, so they come first.
int driveRank(const QString& root) {
    if (root == QLatin1String("/"))
        return 2;
    for (const char* prefix : {"/media/", "/run/media/", "/mnt"}) {
        if (root.startsWith(QLatin1String(prefix)))
            return 0;
    }
    return 1;
}

}  // namespace

datAndtime::datAndtime(Dialogs& dialogs, Clock clock, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTime(); };
    setObjectName(QStringLiteral("datAndtime"));
    setWindowTitle(QString::fromUtf8("Gerätedatum und Uhrzeit"));

    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(Frame2);

    Label1 = new QLabel(QStringLiteral("SD-Laufwerk:"), Frame2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Drive1 = new QComboBox(Frame2);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Label1->setBuddy(Drive1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Drive1, 0, 1, 1, 2);

    Label5 = new QLabel(QStringLiteral("Datum"), Frame2);
    Label5->setObjectName(QStringLiteral("Label5"));
    datum = new QCalendarWidget(Frame2);
    datum->setObjectName(QStringLiteral("datum"));
    datum->setSelectedDate(clock_().date());
    grid->addWidget(Label5, 1, 0, Qt::AlignTop);
    grid->addWidget(datum, 1, 1, 1, 2);

    Label2 = new QLabel(QStringLiteral("Uhrzeit"), Frame2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Text2 = new QLineEdit(QStringLiteral("hh:mm:ss"), Frame2);
    Text2->setObjectName(QStringLiteral("Text2"));
    Label12 = new QLabel(QStringLiteral("hh:mm:ss"), Frame2);
    Label12->setObjectName(QStringLiteral("Label12"));
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Text2, 2, 1);
    grid->addWidget(Label12, 2, 2);

    check1 = new QCheckBox(QStringLiteral("PC Zeit"), Frame2);
    check1->setObjectName(QStringLiteral("check1"));
    check1->setChecked(true);
    grid->addWidget(check1, 3, 1);

    cmd_dateAndTime = new QPushButton(QStringLiteral("Datum/Uhrzeit stellen"), this);
    cmd_dateAndTime->setObjectName(QStringLiteral("cmd_dateAndTime"));
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_dateAndTime);
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);

    t_aktTime = new QTimer(this);
    t_aktTime->setObjectName(QStringLiteral("t_aktTime"));
    t_aktTime->setInterval(1000);
    connect(t_aktTime, &QTimer::timeout, this, &datAndtime::t_aktTime_Timer);
    t_aktTime->start();

    // Picking a day only shows it; the button writes today's date anyway, so it takes the focus.
    connect(datum, &QCalendarWidget::clicked, this, [this] { cmd_dateAndTime->setFocus(); });
    connect(cmd_dateAndTime, &QPushButton::clicked, this, &datAndtime::cmd_dateAndTime_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    connect(check1, &QCheckBox::toggled, this, &datAndtime::t_aktTime_Timer);

    setDrives(cardDrives());
    t_aktTime_Timer();
}

QStringList datAndtime::cardDrives() {
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const QStorageInfo& a, const QStorageInfo& b) {
                         const int ra = driveRank(a.rootPath());
                         const int rb = driveRank(b.rootPath());
                         return ra != rb ? ra < rb : a.rootPath() < b.rootPath();
                     });
    QStringList drives;
    for (const QStorageInfo& volume : volumes) {
        if (volume.isValid() && volume.isReady())
            drives << volume.rootPath();
    }
    return drives;
}

void datAndtime::setDrives(const QStringList& drives) {
    Drive1->clear();
    Drive1->addItems(drives);
    Drive1->setCurrentIndex(drives.isEmpty() ? -1 : 0);
}

QString datAndtime::drive() const {
    return Drive1->currentText();
}

bool datAndtime::saveTime_Click(const QString& timedate, const QString& laufwerk) {
    const ClockFileResult result = writeClockFile(timedate.toStdString(), laufwerk.toStdString());
    dialogs_.inform(programTitleOneLine(), QString::fromStdString(result.message),
                    result.ok ? Icon::None : Icon::Warning);
    return result.ok;
}

void datAndtime::cmd_dateAndTime_Click() {
    // The clock is read once, so the date and the time belong to the same moment.
    const QDateTime now = clock_();
    datum->setSelectedDate(now.date());
    const QDate day = datum->selectedDate();
    const QTime time = now.time();
    const std::string content = clockFileContent(day.day(), day.month(), day.year(), time.hour(),
                                                 time.minute(), time.second());
    saveTime_Click(QString::fromStdString(content), drive());
}

void datAndtime::t_aktTime_Timer() {
    if (check1->isChecked()) {
        Text2->setEnabled(false);
        Text2->setText(clock_().time().toString(kTimeFormat));
    } else {
        Text2->setEnabled(true);
    }
}

}  // namespace korvala::ui
