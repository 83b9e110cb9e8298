#include "ui/archive_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala::ui {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

ArchiveSiteDialog::ArchiveSiteDialog(const QString& title,
                                     const std::vector<archive::SiteRecord>& sites,
                                     const QString& proposedName, int proposedLimit,
                                     QWidget* parent)
    : QDialog(parent), known_(sites) {
    setObjectName(QStringLiteral("archiveSiteDialog"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    sites_ = new QComboBox(this);
    sites_->setObjectName(QStringLiteral("archiveSite"));
    sites_->addItem(QStringLiteral("Neue Messstelle"), qlonglong{0});
    int chosen = 0;
    const QString wanted = proposedName.trimmed();
    for (const archive::SiteRecord& s : known_) {
        const QString name = QString::fromStdString(s.data.name);
        sites_->addItem(
            name + QStringLiteral(" (") + qText(limitText(s.data.speedLimit)) + QLatin1Char(')'),
            qlonglong{s.id});
        if (chosen == 0 && !wanted.isEmpty() && name.compare(wanted, Qt::CaseInsensitive) == 0)
            chosen = sites_->count() - 1;
    }
    form->addRow(QStringLiteral("Messstelle:"), sites_);
    name_ = new QLineEdit(wanted, this);
    name_->setObjectName(QStringLiteral("archiveSiteName"));
    form->addRow(QStringLiteral("Name der neuen Messstelle:"), name_);
    limit_ = new QSpinBox(this);
    limit_->setObjectName(QStringLiteral("archiveSiteLimit"));
    limit_->setRange(kMinSpeedLimit, kMaxSpeedLimit);
    limit_->setSuffix(QStringLiteral(" km/h"));
    limit_->setValue(proposedLimit);
    form->addRow(QString::fromUtf8("Zulässige Höchstgeschwindigkeit:"), limit_);
    layout->addLayout(form);
    layout->addWidget(note(QString::fromUtf8("Das Archiv berechnet die Kennzahlen jeder Messung "
                                             "mit der Höchstgeschwindigkeit ihrer Messstelle."),
                           this));
    buttons_ = okCancel(this);
    layout->addWidget(buttons_);
    connect(sites_, &QComboBox::currentIndexChanged, this, &ArchiveSiteDialog::choiceChanged);
    connect(name_, &QLineEdit::textChanged, this, &ArchiveSiteDialog::choiceChanged);
    sites_->setCurrentIndex(chosen);
    choiceChanged();
}

std::int64_t ArchiveSiteDialog::siteId() const {
    return sites_->currentData().toLongLong();
}

archive::SiteData ArchiveSiteDialog::newSite() const {
    archive::SiteData site;
    site.name = name_->text().trimmed().toStdString();
    site.speedLimit = limit_->value();
    return site;
}

void ArchiveSiteDialog::choiceChanged() {
    const std::int64_t id = siteId();
    name_->setEnabled(id == 0);
    limit_->setEnabled(id == 0);
    // An existing site shows the limit its figures are computed with.
    for (const archive::SiteRecord& s : known_)
        if (s.id == id)
            limit_->setValue(s.data.speedLimit);
    buttons_->button(QDialogButtonBox::Ok)
        ->setEnabled(id != 0 || !name_->text().trimmed().isEmpty());
}

ArchiveConnectionDialog::ArchiveConnectionDialog(const QString& localFile, const QString& server,
                                                 QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("archiveConnectionDialog"));
    setWindowTitle(QStringLiteral("Archiv-Verbindung"));
    auto* layout = new QVBoxLayout(this);
    local_ = new QRadioButton(QStringLiteral("Lokale Datei auf diesem Rechner"), this);
    local_->setObjectName(QStringLiteral("archiveLocal"));
    layout->addWidget(local_);
    auto* path = note(localFile, this);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setContentsMargins(24, 0, 0, 6);
    layout->addWidget(path);
    serverChoice_ = new QRadioButton(
        QString::fromUtf8("PostgreSQL-Datenbank, die mehrere Arbeitsplätze teilen"), this);
    serverChoice_->setObjectName(QStringLiteral("archiveServer"));
    layout->addWidget(serverChoice_);
    connection_ = new QLineEdit(server, this);
    connection_->setObjectName(QStringLiteral("archiveConnection"));
    connection_->setPlaceholderText(
        QStringLiteral("host=verkehr.intern dbname=korvala user=messung  oder  verkehr"));
    connection_->setMinimumWidth(420);
    layout->addWidget(connection_);
    layout->addWidget(
        note(QString::fromUtf8("Eine libpq-Verbindungsangabe oder der Name eines Dienstes aus "
                               "~/.pg_service.conf. Kein Passwort: libpq liest es aus ~/.pgpass."),
             this));
    buttons_ = okCancel(this);
    layout->addWidget(buttons_);
    (server.isEmpty() ? local_ : serverChoice_)->setChecked(true);
    connect(local_, &QRadioButton::toggled, this, &ArchiveConnectionDialog::choiceChanged);
    connect(connection_, &QLineEdit::textChanged, this, &ArchiveConnectionDialog::choiceChanged);
    choiceChanged();
}

QString ArchiveConnectionDialog::server() const {
    return local_->isChecked() ? QString() : connection_->text().trimmed();
}

void ArchiveConnectionDialog::choiceChanged() {
    connection_->setEnabled(serverChoice_->isChecked());
    buttons_->button(QDialogButtonBox::Ok)
        ->setEnabled(local_->isChecked() || !connection_->text().trimmed().isEmpty());
}

}  // namespace korvala::ui
