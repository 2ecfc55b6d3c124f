#include "base/visiblecontrols.h"

#include <QTest>

class TestVisibleControls : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
};

void TestVisibleControls::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("visible");
    QTest::addColumn<bool>("holdsControl");
    QTest::newRow("plain") << QStringLiteral("KALIDOR Ābsolut Blue, \"x\" \\ 50%")
                           << QStringLiteral("KALIDOR Ābsolut Blue, \"x\" \\ 50%") << false;
    QTest::newRow("title and clear screen")
        << QStringLiteral("KALIDOR \x1B]0;owned\x07\x1B[2J")
        << QStringLiteral("KALIDOR \\x1B]0;owned\\x07\\x1B[2J") << true;
    QTest::newRow("first, last and NUL") << QString(QChar(0)) + QStringLiteral("\x01 \x1F")
                                         << QStringLiteral("\\x00\\x01 \\x1F") << true;
    QTest::newRow("line breaks and tab")
        << QStringLiteral("a\tb\r\nc") << QStringLiteral("a\\x09b\\x0D\\x0Ac") << true;
    QTest::newRow("DEL and C1") << QStringLiteral("a\x7F b\u0085 c\u009B d\u009F")
                                << QStringLiteral("a\\x7F b\\x85 c\\x9B d\\x9F") << true;
    QTest::newRow("neighbours kept") << QStringLiteral(" ~\u00A0\u00FF\u2028")
                                     << QStringLiteral(" ~\u00A0\u00FF\u2028") << false;
}

void TestVisibleControls::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, visible);
    QFETCH(bool, holdsControl);
    QCOMPARE(withVisibleControls(text), visible);
    QCOMPARE(holdsControlCharacter(text), holdsControl);
}

QTEST_APPLESS_MAIN(TestVisibleControls)
#include "tst_visiblecontrols.moc"
