#include "ui/splash.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/app_texts.h"

namespace korvala::ui {

QPixmap drawLogo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(size * 0.05, size * 0.05, size * 0.9, size * 0.9);
    // A speedometer: dial, scale marks, needle in the upper range.
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), size * 0.06));
    p.setBrush(QColor(0xe8, 0xf0, 0xf8));
    p.drawEllipse(r);
    const QPointF c = r.center();
    const double radius = r.width() / 2;
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), size * 0.03, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 8; ++i) {
        const double a = qDegreesToRadians(225.0 - i * 270.0 / 8);
        const QPointF dir(std::cos(a), -std::sin(a));
        p.drawLine(c + dir * radius * 0.72, c + dir * radius * 0.86);
    }
    const double needle = qDegreesToRadians(225.0 - 6.2 * 270.0 / 8);
    p.setPen(QPen(QColor(0xc0, 0x30, 0x20), size * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::cos(needle), -std::sin(needle)) * radius * 0.7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.drawEllipse(c, size * 0.07, size * 0.07);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(qMax(6, size / 7));
    p.setFont(f);
    p.setPen(QColor(0x1f, 0x4e, 0x79));
    p.drawText(QRectF(r.left(), c.y() + radius * 0.2, r.width(), radius * 0.5), Qt::AlignCenter,
               QStringLiteral("km/h"));
    return pm;
}

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(programTitleOneLine());

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Raised);
    Frame1->setLineWidth(2);
    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(drawLogo(96));
    lblCompanyProduct = new QLabel(Frame1);
    lblCompanyProduct->setObjectName(QStringLiteral("lblCompanyProduct"));
    QFont big = lblCompanyProduct->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    lblCompanyProduct->setFont(big);
    lblVersion = new QLabel(Frame1);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblCompany = new QLabel(makerName() + QStringLiteral(" ") + releaseYear(), Frame1);
    lblCompany->setObjectName(QStringLiteral("lblCompany"));
    lblDescription = new QLabel(QStringLiteral("Auswertung von Geschwindigkeitsmessungen"), Frame1);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));

    auto* text = new QVBoxLayout;
    text->addWidget(lblCompanyProduct);
    text->addWidget(lblDescription);
    text->addStretch(1);
    text->addWidget(lblVersion);
    text->addWidget(lblCompany);
    auto* inner = new QHBoxLayout(Frame1);
    inner->setContentsMargins(18, 18, 18, 18);
    inner->setSpacing(18);
    inner->addWidget(imgLogo, 0, Qt::AlignTop);
    inner->addLayout(text, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Frame1);

    // The labels ignore clicks, so a click anywhere on the frame arrives here.
    Frame1->installEventFilter(this);

    lblVersion->setText(versionText());
    lblCompanyProduct->setText(toQtLineBreaks(programTitle()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        close();
    });
    Timer1->start();
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    closeByUser();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1 && event->type() == QEvent::MouseButtonPress) {
        closeByUser();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSplash::closeByUser() {
    Timer1->stop();
    close();
    emit mainWindowRequested();
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowTitle(QStringLiteral("Info zu ") + programTitleOneLine());

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(drawLogo(64));
    lblTitle = new QLabel(toQtLineBreaks(programTitle()), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(versionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setPlainText(toQtLineBreaks(makerContact()));
    Text1->setMinimumHeight(Text1->fontMetrics().lineSpacing() * 6 + 12);
    Text1->setMinimumWidth(Text1->fontMetrics().horizontalAdvance(makerName()) + 40);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(imgLogo, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(Text1, 2, 0, 1, 2);
    layout->addWidget(cmdOK, 3, 1, Qt::AlignRight);
}

}  // namespace korvala::ui
