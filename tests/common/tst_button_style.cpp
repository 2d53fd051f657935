// The programs' button style: equal palettes shared through the table, and buttons drawn exactly as
// the base style draws them, whatever colours they switch through.
#include "ButtonStyle.h"
#include "Controls.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

class TestButtonStyle : public QObject {
    Q_OBJECT
private slots:
    void equalPalettesShareOneKey();
    void tableForgetsTheLeastRecentlyUsed();
    void buttonsLookAsInTheBaseStyle_data();
    void buttonsLookAsInTheBaseStyle();
};

namespace {
QPalette withButton(const QColor &colour)
{
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Button, colour);
    return p;
}
} // namespace

void TestButtonStyle::equalPalettesShareOneKey()
{
    Zelk::PaletteTable table;
    const QPalette green = table.canonical(withButton(Qt::green));
    const QPalette face = table.canonical(withButton(Qt::lightGray));
    // a palette built afresh with the same colours gets a new key of its own ...
    QVERIFY(withButton(Qt::green).cacheKey() != green.cacheKey());
    // ... and the table hands back the first one, for as many switches as come
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(table.canonical(withButton(Qt::green)).cacheKey(), green.cacheKey());
        QCOMPARE(table.canonical(withButton(Qt::lightGray)).cacheKey(), face.cacheKey());
    }
    QVERIFY(green.cacheKey() != face.cacheKey());
    QCOMPARE(table.size(), std::size_t(2));
}

void TestButtonStyle::tableForgetsTheLeastRecentlyUsed()
{
    Zelk::PaletteTable table;
    const auto shade = [](int i) { return withButton(QColor(i, 0, 0)); };
    std::vector<qint64> keys;
    for (int i = 0; i < int(Zelk::PaletteTable::Capacity); ++i)
        keys.push_back(table.canonical(shade(i)).cacheKey());
    QCOMPARE(table.canonical(shade(0)).cacheKey(), keys[0]); // 0 used again: 1 is now the oldest
    table.canonical(shade(255));                             // one over the capacity
    QCOMPARE(table.size(), Zelk::PaletteTable::Capacity);
    QCOMPARE(table.canonical(shade(0)).cacheKey(), keys[0]);
    QCOMPARE(table.canonical(shade(2)).cacheKey(), keys[2]);
    QVERIFY(table.canonical(shade(1)).cacheKey() != keys[1]); // forgotten, held afresh
}

void TestButtonStyle::buttonsLookAsInTheBaseStyle_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("fusion") << "Fusion" << true;
    QTest::newRow("fusion_disabled") << "Fusion" << false;
    QTest::newRow("windows") << "Windows" << true;
}

void TestButtonStyle::buttonsLookAsInTheBaseStyle()
{
    QFETCH(QString, base);
    QFETCH(bool, enabled);
    std::unique_ptr<QStyle> plain(QStyleFactory::create(base));
    Zelk::ButtonStyle shared(QStyleFactory::create(base));
    QPushButton a(QStringLiteral("Weight  I/O")), b(QStringLiteral("Weight  I/O"));
    a.setStyle(plain.get());
    b.setStyle(&shared);
    for (QPushButton *button : {&a, &b}) {
        button->resize(120, 40);
        button->setEnabled(enabled);
    }
    // green while a request is out, the button face once it is answered, and so on
    for (const std::uint32_t colour :
         {Zelk::Ole::Green, Zelk::Ole::ButtonFace, Zelk::Ole::Green, Zelk::Ole::Red}) {
        Zelk::setBackColor(&a, colour);
        Zelk::setBackColor(&b, colour);
        QCOMPARE(b.grab().toImage(), a.grab().toImage());
    }
}

QTEST_MAIN(TestButtonStyle)
#include "tst_button_style.moc"
