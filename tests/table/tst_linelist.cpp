#include "base/codepage.h"
#include "base/kalidorerror.h"
#include "table/linelist.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TextEncoding)

class TestLineList : public QObject {
    Q_OBJECT

private slots:
    void decodeLines_data();
    void decodeLines();
    void droppedOddByte_data();
    void droppedOddByte();
    void strictUtf8_data();
    void strictUtf8();
    void defaultCodePageRoundTrip();
    void encodeDefaultCodePage_data();
    void encodeDefaultCodePage();
    void loadLines_data();
    void loadLines();
    void loadLinesFails_data();
    void loadLinesFails();
    void findLine_data();
    void findLine();
    void cleanup();
};

namespace {

QByteArray bytes(std::initializer_list<unsigned char> values)
{
    QByteArray result;
    for (const unsigned char value : values)
        result.append(char(value));
    return result;
}

QByteArray utf16LE(QStringView text)
{
    QByteArray result;
    for (const QChar unit : text) {
        result.append(char(unit.unicode() & 0xFF));
        result.append(char(unit.unicode() >> 8));
    }
    return result;
}

QByteArray utf16BE(QStringView text)
{
    QByteArray result;
    for (const QChar unit : text) {
        result.append(char(unit.unicode() >> 8));
        result.append(char(unit.unicode() & 0xFF));
    }
    return result;
}

const QByteArray utf8Mark = bytes({ 0xEF, 0xBB, 0xBF });
const QByteArray utf16LEMark = bytes({ 0xFF, 0xFE });
const QByteArray utf16BEMark = bytes({ 0xFE, 0xFF });

QString dataPath(const QString &name)
{
    return QStringLiteral(KALIDOR_TEST_DATA "/table/") + name;
}

} // namespace

void TestLineList::decodeLines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<bool>("stoppedAtNul");

    const auto cp = TextEncoding::DefaultCodePage;
    const QString header = QStringLiteral("Name\tL*\ta*\tb*");

    QTest::newRow("empty") << QByteArray() << QStringList() << cp << false;
    QTest::newRow("only a UTF-8 mark") << utf8Mark << QStringList() << TextEncoding::Utf8 << false;
    QTest::newRow("only a UTF-16LE mark")
        << utf16LEMark << QStringList() << TextEncoding::Utf16LE << false;
    QTest::newRow("only a UTF-16BE mark")
        << utf16BEMark << QStringList() << TextEncoding::Utf16BE << false;

    QTest::newRow("CR LF") << QByteArray("A\r\nB") << QStringList { "A", "B" } << cp << false;
    QTest::newRow("lone CR") << QByteArray("A\rB") << QStringList { "A", "B" } << cp << false;
    QTest::newRow("lone LF") << QByteArray("A\nB") << QStringList { "A", "B" } << cp << false;
    QTest::newRow("LF CR is two ends")
        << QByteArray("A\n\rB") << QStringList { "A", "", "B" } << cp << false;
    QTest::newRow("CR CR") << QByteArray("A\r\rB") << QStringList { "A", "", "B" } << cp << false;
    QTest::newRow("CR LF twice") << QByteArray("A\r\n\r\nB") << QStringList { "A", "", "B" } << cp
                                 << false;
    QTest::newRow("mixed ends") << QByteArray("A\rB\nC\r\nD") << QStringList { "A", "B", "C", "D" }
                                << cp << false;
    QTest::newRow("trailing CR LF") << QByteArray("A\r\n") << QStringList { "A" } << cp << false;
    QTest::newRow("trailing CR") << QByteArray("A\r") << QStringList { "A" } << cp << false;
    QTest::newRow("trailing LF") << QByteArray("A\n") << QStringList { "A" } << cp << false;
    QTest::newRow("trailing blank line")
        << QByteArray("A\n\n") << QStringList { "A", "" } << cp << false;
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList { "" } << cp << false;
    QTest::newRow("leading line end")
        << QByteArray("\nA") << QStringList { "", "A" } << cp << false;
    QTest::newRow("spaces and tabs kept")
        << QByteArray(" A\t \r\n") << QStringList { " A\t " } << cp << false;

    QTest::newRow("NUL in the third line") << QByteArray("one\r\ntwo\r\nth\0ree\r\nfour\r\n", 21)
                                           << QStringList { "one", "two", "th" } << cp << true;
    QTest::newRow("NUL first") << QByteArray("\0A\r\n", 4) << QStringList() << cp << true;
    QTest::newRow("NUL after a line end")
        << QByteArray("A\r\n\0B", 5) << QStringList { "A" } << cp << true;
    QTest::newRow("UTF-16LE, NUL in the third line")
        << utf16LEMark + utf16LE(u"one\ntwo\nth") + QByteArray(2, '\0') + utf16LE(u"ree\n")
        << QStringList { "one", "two", "th" } << TextEncoding::Utf16LE << true;

    QTest::newRow("default code page, upper half")
        << bytes({ 0x80, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x9F, 0xA0, 0xE9, 0xFF })
        << QStringList { QStringLiteral(
               u"\u20AC\u0081\u008D\u008F\u0090\u009D\u0178\u00A0\u00E9\u00FF") }
        << cp << false;
    QTest::newRow("UTF-8 without a mark is read byte by byte")
        << QByteArray("KALIDOR Caf\xC3\xA9")
        << QStringList { QStringLiteral(u"KALIDOR Caf\u00C3\u00A9") } << cp << false;
    QTest::newRow("UTF-16LE without a mark stops at its first zero byte")
        << utf16LE(header) << QStringList { "N" } << cp << true;

    QTest::newRow("UTF-8") << utf8Mark
            + QByteArray("Name\r\nKALIDOR Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80")
                           << QStringList { "Name",
                                  QStringLiteral(u"KALIDOR Caf\u00E9 \u20AC \U0001F600") }
                           << TextEncoding::Utf8 << false;
    QTest::newRow("UTF-8, a second mark is text")
        << utf8Mark + utf8Mark + QByteArray("A") << QStringList { QStringLiteral(u"\uFEFFA") }
        << TextEncoding::Utf8 << false;

    const QString wide = QStringLiteral(u"KALIDOR \u00E9\u20AC\U0001F600\r\n") + header;
    QTest::newRow("UTF-16LE") << utf16LEMark + utf16LE(wide)
                              << QStringList { QStringLiteral(u"KALIDOR \u00E9\u20AC\U0001F600"),
                                     header }
                              << TextEncoding::Utf16LE << false;
    QTest::newRow("UTF-16BE") << utf16BEMark + utf16BE(wide)
                              << QStringList { QStringLiteral(u"KALIDOR \u00E9\u20AC\U0001F600"),
                                     header }
                              << TextEncoding::Utf16BE << false;
    QTest::newRow("UTF-16LE, odd last byte dropped")
        << utf16LEMark + utf16LE(u"AB") + QByteArray("C") << QStringList { "AB" }
        << TextEncoding::Utf16LE << false;
    QTest::newRow("UTF-16BE, odd last byte dropped")
        << utf16BEMark + utf16BE(u"AB") + QByteArray("C") << QStringList { "AB" }
        << TextEncoding::Utf16BE << false;
    QTest::newRow("UTF-16LE, unpaired surrogate kept")
        << utf16LEMark + bytes({ 0x41, 0x00, 0x3D, 0xD8, 0x42, 0x00 })
        << QStringList { QString(QChar(u'A')) + QChar(0xD83D) + QChar(u'B') }
        << TextEncoding::Utf16LE << false;
    QTest::newRow("UTF-16BE, mixed line ends")
        << utf16BEMark + utf16BE(u"A\r\nB\n\rC\rD") << QStringList { "A", "B", "", "C", "D" }
        << TextEncoding::Utf16BE << false;
}

void TestLineList::decodeLines()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, lines);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, stoppedAtNul);

    const LoadedLines loaded = ::decodeLines(input);
    QCOMPARE(loaded.lines, lines);
    QCOMPARE(loaded.encoding, encoding);
    QCOMPARE(loaded.stoppedAtNul, stoppedAtNul);
}

void TestLineList::droppedOddByte_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("dropped");

    QTest::newRow("UTF-16LE, odd") << utf16LEMark + utf16LE(u"A\r\n") + QByteArray("B") << true;
    QTest::newRow("UTF-16BE, odd") << utf16BEMark + QByteArray("N") << true;
    QTest::newRow("UTF-16LE, even") << utf16LEMark + utf16LE(u"AB") << false;
    QTest::newRow("UTF-16BE, mark alone") << utf16BEMark << false;
    // Without a UTF-16 mark there are no code units to cut in half.
    QTest::newRow("code page, odd") << QByteArray("ABC") << false;
    QTest::newRow("UTF-8, even") << utf8Mark + QByteArray("A") << false;
}

void TestLineList::droppedOddByte()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, dropped);

    QCOMPARE(::decodeLines(input).droppedOddByte, dropped);
}

void TestLineList::strictUtf8_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("offset");

    // Offsets count from the start of the file, mark included.
    QTest::newRow("invalid byte FF") << utf8Mark + bytes({ 'A', 0xFF, 'B' }) << 4;
    QTest::newRow("lone continuation byte") << utf8Mark + bytes({ 'A', 'B', 0x80 }) << 5;
    QTest::newRow("sequence cut off at the end") << utf8Mark + bytes({ 'A', 0xC3 }) << 4;
    QTest::newRow("sequence cut off before a line end")
        << utf8Mark + bytes({ 'A', 0xE2, 0x82, '\r', '\n' }) << 4;
    QTest::newRow("overlong encoding") << utf8Mark + bytes({ 0xC0, 0x80 }) << 3;
    QTest::newRow("encoded surrogate") << utf8Mark + bytes({ 'x', 0xED, 0xA0, 0x80 }) << 4;
    QTest::newRow("beyond U+10FFFF") << utf8Mark + bytes({ 0xF4, 0x90, 0x80, 0x80 }) << 3;
    QTest::newRow("error in a later line")
        << utf8Mark + QByteArray("Name\r\nKALIDOR \xC3\xA9\r\nKALIDOR \xE9\r\n") << 29;
}

void TestLineList::strictUtf8()
{
    QFETCH(QByteArray, input);
    QFETCH(int, offset);

    try {
        ::decodeLines(input);
        QFAIL("invalid UTF-8 after a UTF-8 mark was accepted");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("byte offset %1 ").arg(offset)),
            qPrintable(error.text()));
    }
}

void TestLineList::defaultCodePageRoundTrip()
{
    QByteArray all;
    for (int byte = 1; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = DefaultCodePage::decode(all);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(DefaultCodePage::encode(text), all);

    // Through the loader too: every byte but NUL and the line ends survives a load.
    QByteArray line = all;
    line.remove(line.indexOf('\r'), 1);
    line.remove(line.indexOf('\n'), 1);
    const LoadedLines loaded = ::decodeLines(line + "\r\n" + line);
    QCOMPARE(loaded.lines.size(), 2);
    QCOMPARE(DefaultCodePage::encode(loaded.lines.at(1)), line);
}

void TestLineList::encodeDefaultCodePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("ASCII") << QStringLiteral("Name\tL*") << QByteArray("Name\tL*");
    QTest::newRow("Windows-1252 upper range")
        << QStringLiteral(u"\u20AC\u201A\u0178\u017E") << bytes({ 0x80, 0x82, 0x9F, 0x9E });
    QTest::newRow("unassigned bytes' control characters") << QStringLiteral(
        u"\u0081\u008D\u008F\u0090\u009D") << bytes({ 0x81, 0x8D, 0x8F, 0x90, 0x9D });
    QTest::newRow("other C1 controls are not in the code page")
        << QStringLiteral(u"\u0080\u0082\u009F") << QByteArray("???");
    QTest::newRow("Latin-1 letters")
        << QStringLiteral(u"Caf\u00E9\u00FF") << bytes({ 'C', 'a', 'f', 0xE9, 0xFF });
    QTest::newRow("outside the code page") << QStringLiteral(u"A\u0100\u4E2D") << QByteArray("A??");
    QTest::newRow("surrogate pair is one character")
        << QStringLiteral(u"A\U0001F600B") << QByteArray("A?B");
    QTest::newRow("unpaired high surrogate")
        << QString(QChar(u'A')) + QChar(0xD83D) + QChar(u'B') << QByteArray("A?B");
    QTest::newRow("unpaired low surrogate")
        << QString(QChar(0xDE00)) + QChar(0xDE00) << QByteArray("??");
    QTest::newRow("high surrogate at the end") << QString(QChar(0xD83D)) << QByteArray("?");
}

void TestLineList::encodeDefaultCodePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(DefaultCodePage::encode(text), encoded);
}

void TestLineList::loadLines_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextEncoding>("encoding");

    const QStringList table { QStringLiteral("# KALIDOR reference table"), QString(),
        QStringLiteral("Name\tL*\ta*\tb*"),
        QStringLiteral(u"KALIDOR Caf\u00E9\t62.15\t-3.50\t12.75"),
        QStringLiteral(u"KALIDOR \u20AC Gold\t78.00\t4.25\t60.10") };
    QTest::newRow("UTF-8") << "table-utf8.txt" << table << TextEncoding::Utf8;
    QTest::newRow("UTF-16LE") << "table-utf16le.txt" << table << TextEncoding::Utf16LE;
    QTest::newRow("UTF-16BE") << "table-utf16be.txt" << table << TextEncoding::Utf16BE;
    QTest::newRow("Windows-1252") << "table-cp1252.txt" << table << TextEncoding::DefaultCodePage;
    QTest::newRow("empty file") << "empty.txt" << QStringList() << TextEncoding::DefaultCodePage;
}

void TestLineList::loadLines()
{
    QFETCH(QString, file);
    QFETCH(QStringList, lines);
    QFETCH(TextEncoding, encoding);

    const LoadedLines loaded = ::loadLines(dataPath(file));
    QCOMPARE(loaded.lines, lines);
    QCOMPARE(loaded.encoding, encoding);
    QVERIFY(!loaded.stoppedAtNul);
}

void TestLineList::loadLinesFails_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << dataPath("no-such-table.txt") << "No such file";
    QTest::newRow("directory") << QStringLiteral(KALIDOR_TEST_DATA "/table") << "it is a folder";
    QTest::newRow("invalid UTF-8 after the mark")
        << dataPath("invalid-utf8.txt") << "byte offset 29 ";
}

void TestLineList::loadLinesFails()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);

    try {
        ::loadLines(path);
        QFAIL("loading did not fail");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().contains(path), qPrintable(error.text()));
        QVERIFY2(error.text().contains(reason, Qt::CaseInsensitive), qPrintable(error.text()));
    }
}

void TestLineList::findLine_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("sought");
    QTest::addColumn<int>("index");

    const QString header = QStringLiteral("Name\tL*\ta*\tb*");
    const QStringList table { "# comment", "", "NAME\tL*\tA*\tB*", header, "KALIDOR 1\t1\t2\t3" };

    // The C locale takes Qt's own comparison, a named one the system's collation.
    for (const QString &locale : { QStringLiteral("C"), QStringLiteral("en_US") }) {
        const auto row = [&locale](const char *name) -> QTestData & {
            return QTest::addRow("%s, %s", qPrintable(locale), name);
        };
        row("first of two matches in other case") << locale << table << header << 2;
        row("exact line") << locale << table << QStringLiteral("KALIDOR 1\t1\t2\t3") << 4;
        row("index 0") << locale << table << QStringLiteral("# COMMENT") << 0;
        row("empty line") << locale << table << QString() << 1;
        row("trailing space differs") << locale << QStringList { header + ' ' } << header << -1;
        row("leading space differs") << locale << QStringList { ' ' + header } << header << -1;
        row("space is no tab") << locale << QStringList { "Name L* a* b*" } << header << -1;
        row("part of a line is no match")
            << locale << QStringList { header + "\tx" } << header << -1;
        row("accented capital") << locale << QStringList { "x", QStringLiteral(u"CAF\u00C9") }
                                << QStringLiteral(u"caf\u00E9") << 1;
        row("accent differs") << locale << QStringList { "cafe" } << QStringLiteral(u"caf\u00E9")
                              << -1;
        row("empty list") << locale << QStringList() << header << -1;
    }
    // Only the system's collation sees through canonical equivalence and width variants; the C
    // locale's comparison folds case alone.
    const QStringList composed { QStringLiteral(u"KALIDOR \u00C5RHUS") };
    const QString decomposed = QStringLiteral(u"kalidor a\u030Arhus");
    const QStringList fullWidth { QStringLiteral(u"\uFF2E\uFF21\uFF2D\uFF25") };
    QTest::newRow("C, decomposed ring is another text") << "C" << composed << decomposed << -1;
    QTest::newRow("en_US, decomposed ring is the same text")
        << "en_US" << composed << decomposed << 0;
    QTest::newRow("C, full-width letters differ") << "C" << fullWidth << "name" << -1;
    QTest::newRow("en_US, full-width letters are variants") << "en_US" << fullWidth << "name" << 0;
}

void TestLineList::findLine()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, lines);
    QFETCH(QString, sought);
    QFETCH(int, index);

    QLocale::setDefault(QLocale(locale));
    QCOMPARE(::findLine(lines, sought), index);
}

void TestLineList::cleanup()
{
    QLocale::setDefault(QLocale::system());
}

QTEST_GUILESS_MAIN(TestLineList)
#include "tst_linelist.moc"
