#pragma once
// The splash box shown at start and the about box of the "Info" menu.

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace korvala::ui {

// Our own logo, drawn rather than shipped as a picture file.
QPixmap drawLogo(int size);

class frmSplash final : public QDialog {
    Q_OBJECT
  public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* Frame1;
    QLabel* imgLogo;
    QLabel* lblCompanyProduct;
    QLabel* lblVersion;
    QLabel* lblCompany;
    QLabel* lblDescription;
    QTimer* Timer1;

  signals:
    // The user closed the box early (key or click) and wants the main window at once.
    void mainWindowRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void closeByUser();
};

class frmAbout final : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* imgLogo;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QPlainTextEdit* Text1;
    QPushButton* cmdOK;
};

}  // namespace korvala::ui
