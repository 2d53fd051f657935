// The station in a dark desktop theme: system colours follow the application palette, and text on a
// coloured face stays readable (the monitor's lamps, buttons and boxes against a real zelk-devicesim).
#include "ButtonStyle.h"
#include "Controls.h"
#include "DeviceSim.h"
#include "Seams.h"
#include "frmClient.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

using Zelk::contrastRatio;
using Zelk::oleToColor;

const QColor LightText(0xE6, 0xE8, 0xEB);

// The text colour a control shows in its current state.
QColor shownText(const QWidget *w)
{
    return w->palette().color(w->isEnabled() ? QPalette::Active : QPalette::Disabled, w->foregroundRole());
}

QString describe(const QWidget *w, const QColor &text, const QColor &back)
{
    return QStringLiteral("%1: text %2 on %3").arg(w->objectName(), text.name(), back.name());
}

// Checks every visible control with a back colour and no fore colour of its own; adds those whose
// text cannot be read to `unreadable` and returns how many were checked.
int unreadableControls(const QWidget &window, QStringList &unreadable)
{
    int checked = 0;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (!control->isVisibleTo(&window) || !control->property("backcolor").isValid() ||
            control->property("forecolor").isValid() || qobject_cast<Zelk::Shape *>(control))
            continue;
        const QColor face = oleToColor(Zelk::backColor(control));
        const double needed = control->isEnabled() ? Zelk::ReadableContrast : 3.0;
        if (contrastRatio(face, shownText(control)) < needed)
            unreadable << describe(control, shownText(control), face);
        ++checked;
    }
    return checked;
}

} // namespace

class TestDarkPalette : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { QApplication::setPalette(m_lightPalette); }
    void textOnABackColour_data();
    void textOnABackColour();
    void systemColoursFollowTheDarkPalette_data();
    void systemColoursFollowTheDarkPalette();
    void backColourWithoutForeColourKeepsTextReadable_data();
    void backColourWithoutForeColourKeepsTextReadable();
    void explicitForeColourAndDisabledTextAreKept();
    void disabledTextOnOwnColourCanBeMadeOut_data();
    void disabledTextOnOwnColourCanBeMadeOut();
    void monitorTextIsReadableOnEveryColouredControl();

private:
    QPalette m_lightPalette;
};

void TestDarkPalette::initTestCase()
{
    m_lightPalette = QApplication::palette();
    qputenv("ZELK_PALETTE", "Dark");
    Zelk::applyProgramStyle();
    const auto *style = qobject_cast<QProxyStyle *>(QApplication::style());
    QVERIFY(style);
    QCOMPARE(style->baseStyle()->name(), QStringLiteral("fusion"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), Zelk::darkPalette().color(QPalette::Window));
}

void TestDarkPalette::textOnABackColour_data()
{
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("expected");
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    QTest::newRow("light_text_on_white_turns_black") << white << LightText << black;
    QTest::newRow("light_text_on_grey_lamp_turns_black") << QColor(0x8A, 0x8F, 0x96) << LightText << black;
    QTest::newRow("light_text_on_green_turns_black") << QColor(Qt::green) << LightText << black;
    QTest::newRow("light_text_on_dark_face_kept") << QColor(0x44, 0x48, 0x4F) << LightText << LightText;
    QTest::newRow("black_text_on_red_kept") << QColor(Qt::red) << black << black;
    QTest::newRow("dark_text_on_navy_turns_white")
        << QColor(0x1F, 0x3A, 0x5F) << QColor(0x30, 0x30, 0x30) << white;
    QTest::newRow("same_colour_turns_contrasting") << black << black << white;
}

void TestDarkPalette::textOnABackColour()
{
    QFETCH(QColor, back);
    QFETCH(QColor, text);
    QFETCH(QColor, expected);
    const QColor shown = Zelk::readableTextOn(back, text);
    QCOMPARE(shown, expected);
    QVERIFY(contrastRatio(back, shown) >= Zelk::ReadableContrast);
}

void TestDarkPalette::systemColoursFollowTheDarkPalette_data()
{
    QTest::addColumn<uint>("ole");
    QTest::addColumn<QColor>("colour");
    const QPalette dark = Zelk::darkPalette();
    QTest::newRow("button_face") << uint(Zelk::Ole::ButtonFace) << dark.color(QPalette::Button);
    QTest::newRow("button_text") << uint(Zelk::Ole::ButtonText) << dark.color(QPalette::ButtonText);
    QTest::newRow("grey_text") << uint(Zelk::Ole::GrayText)
                               << dark.color(QPalette::Disabled, QPalette::WindowText);
    QTest::newRow("window_background") << uint(Zelk::Ole::WindowBackground) << dark.color(QPalette::Base);
    QTest::newRow("caption_text") << uint(Zelk::Ole::CaptionText) << dark.color(QPalette::HighlightedText);
}

void TestDarkPalette::systemColoursFollowTheDarkPalette()
{
    QFETCH(uint, ole);
    QFETCH(QColor, colour);
    QCOMPARE(oleToColor(ole), colour);
}

void TestDarkPalette::backColourWithoutForeColourKeepsTextReadable_data()
{
    QTest::addColumn<uint>("back");
    QTest::newRow("set_point_box_awaiting_reply") << uint(Zelk::Ole::CaptionText);
    QTest::newRow("grey_lamp_under_its_number") << uint(Zelk::Ole::GrayText);
    QTest::newRow("green_running_button") << uint(Zelk::Ole::Green);
    QTest::newRow("red_error_code") << uint(Zelk::Ole::Red);
    QTest::newRow("button_face") << uint(Zelk::Ole::ButtonFace);
    QTest::newRow("white") << uint(Zelk::Ole::White);
}

void TestDarkPalette::backColourWithoutForeColourKeepsTextReadable()
{
    QFETCH(uint, back);
    QWidget window;
    const QList<QWidget *> controls{new QLabel(QStringLiteral("7"), &window),
                                    new QPushButton(QStringLiteral("Start"), &window),
                                    new QLineEdit(QStringLiteral("12.5"), &window)};
    for (QWidget *control : controls) {
        Zelk::setBackColor(control, back);
        const QColor face = control->palette().color(control->backgroundRole());
        QCOMPARE(face, oleToColor(back));
        QVERIFY2(contrastRatio(face, shownText(control)) >= Zelk::ReadableContrast,
                 qPrintable(describe(control, shownText(control), face)));
        QCOMPARE(Zelk::foreColor(control), Zelk::Ole::ButtonText); // still reported as never set
    }
}

void TestDarkPalette::explicitForeColourAndDisabledTextAreKept()
{
    QLabel before(QStringLiteral("fore first"));
    Zelk::setForeColor(&before, Zelk::Ole::Red);
    Zelk::setBackColor(&before, Zelk::Ole::White);
    QCOMPARE(before.palette().color(QPalette::WindowText), QColor(Qt::red));

    QLabel after(QStringLiteral("fore last"));
    Zelk::setBackColor(&after, Zelk::Ole::White);
    Zelk::setForeColor(&after, Zelk::Ole::GrayText);
    QCOMPARE(after.palette().color(QPalette::WindowText), oleToColor(Zelk::Ole::GrayText));

    QPushButton disabled(QStringLiteral("Off"));
    disabled.setEnabled(false);
    Zelk::setBackColor(&disabled, Zelk::Ole::ButtonFace);
    QCOMPARE(shownText(&disabled), QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText));
}

void TestDarkPalette::disabledTextOnOwnColourCanBeMadeOut_data()
{
    QTest::addColumn<uint>("back");
    QTest::newRow("green_weight_button_while_polling") << uint(Zelk::Ole::Green);
    QTest::newRow("white") << uint(Zelk::Ole::White);
    QTest::newRow("red") << uint(Zelk::Ole::Red);
}

// Still dimmed (unlike enabled text), yet legible at the 3:1 of large or inactive text.
void TestDarkPalette::disabledTextOnOwnColourCanBeMadeOut()
{
    QFETCH(uint, back);
    QPushButton button(QStringLiteral("Weight  I/O"));
    Zelk::setBackColor(&button, back);
    button.setEnabled(false);
    const QColor face = oleToColor(back);
    QVERIFY2(contrastRatio(face, shownText(&button)) >= 3.0,
             qPrintable(describe(&button, shownText(&button), face)));
    QVERIFY(shownText(&button) != button.palette().color(QPalette::Active, QPalette::ButtonText));
}

// The monitor started in the dark palette against a device: every control showing a back colour of
// its own and no fore colour of its own has readable text (disabled text at least legible), both at
// start-up and while polling (green Weight button, input lamps).
void TestDarkPalette::monitorTextIsReadableOnEveryColouredControl()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    ZelkSim::DeviceSim device;
    QVERIFY2(device.listen(), qPrintable(device.errorString()));
    qputenv("ZELK_DEFAULT_ADDRESS", QByteArray("127.0.0.1:") + QByteArray::number(device.serverPort()));
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Zelk::MsgBoxRecorder messages;
    {
        frmClient window;
        window.Form_Load();
        QTRY_VERIFY(window.lblTotalReadingsD->text().toInt() >= 1);
        QStringList unreadable;
        QVERIFY(unreadableControls(window, unreadable) >= 11); // the ten output numbers, Weight
        QCOMPARE(unreadable, QStringList());

        window.cmdWeight_Click();
        QTRY_VERIFY(window.lblTotalReadingsD->text().toInt() >= 2);
        QTRY_COMPARE(Zelk::backColor(window.cmdWeight), Zelk::Ole::Green);
        QVERIFY(unreadableControls(window, unreadable) >= 17); // and the six input numbers
        QCOMPARE(unreadable, QStringList());
        window.cmdStopSample_Click();
    }
    QDir::setCurrent(oldDir);
}

QTEST_MAIN(TestDarkPalette)
#include "tst_dark_palette.moc"
