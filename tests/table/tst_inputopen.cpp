#include "base/kalidorerror.h"
#include "table/cxf3/colourobjectscanner.h"
#include "table/filetype.h"
#include "table/linelist.h"
#include "xmlfileparser.h"
#include "xmltree.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Every reader of an input file opens it so that a named pipe or a device under the path is
// refused at once, rather than waited on or read for ever.
class TestInputOpen : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void refused_data();
    void refused();

private:
    QTemporaryDir m_dir;
};

void TestInputOpen::init()
{
    // A reader that waits on the pipe ends the test here instead of at CTest's timeout.
    alarm(60);
}

void TestInputOpen::cleanup()
{
    alarm(0);
}

using Reader = std::function<void(const QString &)>;
Q_DECLARE_METATYPE(Reader)

void TestInputOpen::refused_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<QString>("path"); // "pipe" stands for a named pipe made by the test
    QTest::addColumn<QString>("reason");

    const struct {
        const char *name;
        Reader reader;
    } readers[] = {
        { "loadLines", [](const QString &path) { loadLines(path); } },
        { "DetectFileTypeOfFile", [](const QString &path) { DetectFileTypeOfFile(path); } },
        { "parseXmlFile", [](const QString &path) { parseXmlFile(path); } },
        { "scanColourObjects", [](const QString &path) { scanColourObjects(path); } },
    };
    for (const auto &reader : readers) {
        QTest::addRow("%s, named pipe", reader.name)
            << reader.reader << u"pipe"_s << u"it is not a regular file"_s;
        QTest::addRow("%s, endless device", reader.name)
            << reader.reader << u"/dev/zero"_s << u"it is not a regular file"_s;
        QTest::addRow("%s, folder", reader.name)
            << reader.reader << QDir::tempPath() << u"it is a folder"_s;
    }
}

void TestInputOpen::refused()
{
    QFETCH(Reader, reader);
    QFETCH(QString, path);
    QFETCH(QString, reason);

    if (path == u"pipe") {
        path = m_dir.filePath(u"table.txt"_s);
        if (!QFileInfo::exists(path))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    try {
        reader(path);
        QFAIL("the file was read");
    } catch (const KalidorError &error) {
        QCOMPARE(error.text(), u"%1: cannot be opened: %2"_s.arg(path, reason));
    }
}

QTEST_APPLESS_MAIN(TestInputOpen)
#include "tst_inputopen.moc"
