#include "base/kalidorerror.h"
#include "table/linelist.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QTest>

// The reader decodes a file a chunk at a time; these cases put characters, line ends and
// faults right on the chunk boundaries and compare with the whole text decoded at once.
class TestLineReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chunkBoundaries_data();
    void chunkBoundaries();
    void invalidUtf8AfterFirstChunk_data();
    void invalidUtf8AfterFirstChunk();
    void oneByteAtATime_data();
    void oneByteAtATime();
};

namespace {

constexpr qsizetype chunk = 1 << 20;

// The lines of a whole decoded text, cut the simple way.
QStringList reference(QString text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray filler(qsizetype size)
{
    QByteArray bytes(size, 'a');
    for (qsizetype i = 100; i < size; i += 1000)
        bytes[i] = '\n';
    return bytes;
}

// A sequential device that hands over one byte per read, as a slow pipe may.
class TrickleDevice : public QIODevice {
public:
    explicit TrickleDevice(const QByteArray &bytes)
        : m_bytes(bytes)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return m_bytes.size() - m_position + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (maxSize <= 0 || m_position == m_bytes.size())
            return 0;
        *data = m_bytes[m_position++];
        return 1;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray m_bytes;
    qsizetype m_position = 0;
};

} // namespace

void TestLineReader::chunkBoundaries_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // the same text decoded in one go

    const QByteArray head = filler(chunk - 1);
    const QString headText = QString::fromLatin1(head);
    QTest::newRow("CR LF across the boundary")
        << head + "\r\nb" << headText + QStringLiteral("\r\nb");
    QTest::newRow("lone CR as the last byte of a chunk")
        << head + "\rb\r" << headText + QStringLiteral("\rb\r");
    QTest::newRow("LF CR across the boundary")
        << head + "\n\rb" << headText + QStringLiteral("\n\rb");
    for (int shift = 1; shift <= 3; ++shift) {
        // A three-byte character that starts `shift` bytes before the boundary.
        const QByteArray start = "\xEF\xBB\xBF" + filler(chunk - shift);
        QTest::addRow("UTF-8 character cut %d byte(s) before the boundary", shift)
            << start + "\xE2\x82\xAC\n"
            << QString::fromLatin1(start.sliced(3)) + QStringLiteral("\u20AC\n");
    }
    QTest::newRow("UTF-8 four-byte character across the boundary")
        << "\xEF\xBB\xBF" + filler(chunk - 2) + "\xF0\x9F\x98\x80z"
        << QString::fromLatin1(filler(chunk - 2)) + QString::fromUtf8("\xF0\x9F\x98\x80z");
    QTest::newRow("UTF-16 over two chunks with an odd last byte")
        << "\xFF\xFE" + QByteArray(chunk - 1, 'a') + QByteArray("\0a\n\0", 4)
        << QString(chunk / 2 - 1, u'\u6161') + QStringLiteral("\u0061\u0A61");
    QTest::newRow("NUL in the second chunk") << filler(chunk + 10) + QByteArray("xy\0zz\n", 6)
            + "more" << QString::fromLatin1(filler(chunk + 10)) + QStringLiteral("xy");
    QTest::newRow("one line of three chunks")
        << QByteArray(3 * chunk + 5, 'q') << QString(3 * chunk + 5, u'q');
}

void TestLineReader::chunkBoundaries()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const LoadedLines loaded = decodeLines(bytes);
    QCOMPARE(loaded.lines.size(), reference(text).size());
    QVERIFY(loaded.lines == reference(text));
}

void TestLineReader::invalidUtf8AfterFirstChunk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("offset");
    QTest::addColumn<qint64>("line"); // 0: the text had ended

    const QByteArray start = "\xEF\xBB\xBF" + filler(chunk + 7);
    const qint64 startLine = start.count('\n') + 1;
    QTest::newRow("stray continuation byte") << start + "\x80" << start.size() << startLine;
    QTest::newRow("lead byte cut off at the end")
        << start + "\xE2\x82" << start.size() << startLine;
    QTest::newRow("invalid byte after a NUL")
        << start + QByteArray("\0\xFF", 2) << start.size() + 1 << qint64(0);
    const QByteArray across = "\xEF\xBB\xBF" + filler(chunk - 1);
    QTest::newRow("bad second byte across the boundary")
        << across + "\xE2\x41\x41" << across.size() << across.count('\n') + qint64(1);
    const QByteArray breaks = across + "\r\nx\ry\n\rz";
    QTest::newRow("after CR LF, CR, LF CR in the next chunk")
        << breaks + "\xFF" << breaks.size() << across.count('\n') + qint64(5);
}

void TestLineReader::invalidUtf8AfterFirstChunk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, offset);
    QFETCH(qint64, line);
    try {
        decodeLines(bytes);
        QFAIL("invalid UTF-8 was accepted");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("offset %1 ").arg(offset)),
            qPrintable(error.text()));
        QCOMPARE(error.line(), line);
    }
}

void TestLineReader::oneByteAtATime_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("UTF-16BE mark alone") << QByteArray("\xFE\xFF");
    QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFE"
                                            "A\0\n\0B\0",
        8);
    QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBF\xC3\xA9\r\nx");
    QTest::newRow("no mark") << QByteArray("ab\r\ncd");
    QTest::newRow("no mark, shorter than one") << QByteArray("\xFE");
}

void TestLineReader::oneByteAtATime()
{
    QFETCH(QByteArray, bytes);
    const LoadedLines expected = decodeLines(bytes);

    TrickleDevice device(bytes);
    const LoadedLines trickled = readLines(device);
    QCOMPARE(trickled.encoding, expected.encoding);
    QCOMPARE(trickled.lines, expected.lines);
}

QTEST_MAIN(TestLineReader)
#include "tst_linereader.moc"
