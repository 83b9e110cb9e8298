#pragma once
// The archive's own questions, as dialogs the window runs through Dialogs::runModal: which site
// a measurement or a folder goes into, and where the archive is.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

#include "archive/archive_types.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace korvala::ui {

// Picks the site to file into: one of the archive's, or a new one with a name and a limit.
class ArchiveSiteDialog final : public QDialog {
    Q_OBJECT
  public:
    // `proposedName` (the Messort field, a folder's name) selects the site of that name, or fills
    // in the new one's; a new site starts with `proposedLimit`.
    ArchiveSiteDialog(const QString& title, const std::vector<archive::SiteRecord>& sites,
                      const QString& proposedName, int proposedLimit, QWidget* parent = nullptr);

    // The chosen site's number, 0 for a new one.
    std::int64_t siteId() const;
    // The new site as typed.
    archive::SiteData newSite() const;

    QComboBox* siteBox() const { return sites_; }
    QLineEdit* nameField() const { return name_; }
    QSpinBox* limitBox() const { return limit_; }

  private:
    void choiceChanged();

    std::vector<archive::SiteRecord> known_;
    QComboBox* sites_;
    QLineEdit* name_;
    QSpinBox* limit_;
    QDialogButtonBox* buttons_;
};

// Where the archive is: the local file or a PostgreSQL database.
class ArchiveConnectionDialog final : public QDialog {
    Q_OBJECT
  public:
    // `server` is the connection in use, empty for the local file at `localFile`.
    ArchiveConnectionDialog(const QString& localFile, const QString& server,
                            QWidget* parent = nullptr);

    // The connection chosen: empty for the local file.
    QString server() const;

    QRadioButton* localButton() const { return local_; }
    QRadioButton* serverButton() const { return serverChoice_; }
    QLineEdit* connectionField() const { return connection_; }

  private:
    void choiceChanged();

    QRadioButton* local_;
    QRadioButton* serverChoice_;
    QLineEdit* connection_;
    QDialogButtonBox* buttons_;
};

}  // namespace korvala::ui
