// The pictures of the buttons and the program's icon are drawn for the pixels they are shown
// with: on a screen with two device pixels per point they carry twice the pixels, with edges as
// sharp as at normal size, instead of a small picture scaled up.

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>
#include <QtTest>

#include "test_form1_support.h"
#include "ui/button_icons.h"
#include "ui/chart_wiring.h"
#include "ui/datandtime.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

Q_DECLARE_METATYPE(QIcon)

namespace {

// Sum of squared differences between neighbouring pixels, over all four channels. A smoothly
// scaled-up picture spreads every edge over more pixels and scores far lower than a picture
// drawn at the same size.
double edgeEnergy(const QImage& source) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    const auto channels = [](QRgb c) {
        return std::array<int, 4>{qRed(c), qGreen(c), qBlue(c), qAlpha(c)};
    };
    for (int y = 0; y + 1 < img.height(); ++y) {
        for (int x = 0; x + 1 < img.width(); ++x) {
            const auto here = channels(img.pixel(x, y));
            const auto right = channels(img.pixel(x + 1, y));
            const auto below = channels(img.pixel(x, y + 1));
            for (std::size_t k = 0; k < 4; ++k) {
                sum += double(here[k] - right[k]) * (here[k] - right[k]) +
                       double(here[k] - below[k]) * (here[k] - below[k]);
            }
        }
    }
    return sum;
}

void checkSharpAt(const QIcon& icon, const QSize& size, qreal ratio) {
    const QPixmap normal = icon.pixmap(size, 1.0);
    QCOMPARE(normal.size(), size);
    const QPixmap hi = icon.pixmap(size, ratio);
    const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
    QCOMPARE(hi.size(), pixels);
    QCOMPARE(hi.devicePixelRatio(), ratio);
    QCOMPARE(hi.deviceIndependentSize().toSize(), size);
    const QImage upscaled =
        normal.toImage().scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double drawn = edgeEnergy(hi.toImage());
    const double scaled = edgeEnergy(upscaled);
    QVERIFY2(drawn > 1.3 * scaled,
             qPrintable(QStringLiteral("edges %1 drawn, %2 scaled up").arg(drawn).arg(scaled)));
}

}  // namespace

class TestIcons : public QObject {
    Q_OBJECT

  private slots:
    void sharpAtEveryRatio_data();
    void sharpAtEveryRatio();
    void disabledPictureIsGreyedAtFullResolution();
    void pictureButtonsHaveTooltipsAndSharpIcons();
    void windowAndDialogsCarryTheProgramIcon();
};

void TestIcons::sharpAtEveryRatio_data() {
    QTest::addColumn<QIcon>("icon");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qreal>("ratio");
    const std::pair<const char*, ButtonPicture> pictures[] = {{"bar", ButtonPicture::Bar},
                                                              {"pie", ButtonPicture::Pie},
                                                              {"line", ButtonPicture::Line},
                                                              {"print", ButtonPicture::Print}};
    for (const auto& [name, picture] : pictures) {
        QTest::addRow("%s at 2", name) << buttonIcon(picture) << QSize(32, 32) << qreal(2);
        QTest::addRow("%s at 1.5", name) << buttonIcon(picture) << QSize(32, 32) << qreal(1.5);
    }
    QTest::newRow("program icon 32 at 2") << applicationIcon() << QSize(32, 32) << qreal(2);
    QTest::newRow("program icon 16 at 2") << applicationIcon() << QSize(16, 16) << qreal(2);
    QTest::newRow("program icon 64 at 3") << applicationIcon() << QSize(64, 64) << qreal(3);
}

void TestIcons::sharpAtEveryRatio() {
    QFETCH(QIcon, icon);
    QFETCH(QSize, size);
    QFETCH(qreal, ratio);
    checkSharpAt(icon, size, ratio);
}

void TestIcons::disabledPictureIsGreyedAtFullResolution() {
    const QIcon icon = buttonIcon(ButtonPicture::Bar);
    const QPixmap normal = icon.pixmap(QSize(32, 32), 2.0, QIcon::Normal);
    const QPixmap disabled = icon.pixmap(QSize(32, 32), 2.0, QIcon::Disabled);
    QCOMPARE(disabled.size(), QSize(64, 64));
    QCOMPARE(disabled.devicePixelRatio(), 2.0);
    QVERIFY(disabled.toImage() != normal.toImage());
    // Grey: the orange bar keeps no colour.
    const QColor bar = disabled.toImage().pixelColor(31, 40);
    QVERIFY(qAbs(bar.red() - bar.blue()) < 40);
}

void TestIcons::pictureButtonsHaveTooltipsAndSharpIcons() {
    WindowFixture fx;
    Form1& f = *fx.form;
    wireChartsAndPrinting(f);
    QStringList pictureButtons;
    for (QToolButton* b : f.findChildren<QToolButton*>()) {
        // Qt's own helpers (the menu bar's overflow arrow) are not the program's buttons.
        if (b->icon().isNull() || b->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        pictureButtons << b->objectName();
        QVERIFY2(!b->toolTip().trimmed().isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(b->icon().pixmap(b->iconSize(), 2.0).size(), b->iconSize() * 2);
    }
    pictureButtons.sort();
    QCOMPARE(pictureButtons.join(", "), QStringLiteral("cmd_bar, cmd_bar1, cmd_line1, cmd_pie, "
                                                       "cmd_printCh1, cmd_printCh2, "
                                                       "cmd_printProtokoll"));
    // The one text button of the window explains itself as well.
    QVERIFY(!f.cmd_datendruck->toolTip().isEmpty());
}

void TestIcons::windowAndDialogsCarryTheProgramIcon() {
    WindowFixture fx;
    Form1& f = *fx.form;
    QVERIFY(!f.windowIcon().isNull());
    checkSharpAt(f.windowIcon(), QSize(32, 32), 2);
    ScriptedDialogs dialogs;
    datAndtime clock(dialogs, {}, &f);
    QCOMPARE(clock.windowIcon().cacheKey(), f.windowIcon().cacheKey());
}

QTEST_MAIN(TestIcons)
#include "test_icons.moc"
