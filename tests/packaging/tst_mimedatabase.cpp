#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The desktop's view of the staged install: its MIME database, compiled by update-mime-database,
// comes first in XDG_DATA_DIRS, before the system's.
class TestMimeDatabase : public QObject {
    Q_OBJECT

private slots:
    void fileType_data();
    void fileType();
};

namespace {

const QString cxf3Type = u"application/x-cxf3+xml"_s;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The types that the installed desktop entry says the program opens.
QStringList desktopEntryMimeTypes()
{
    const QByteArray entry = readFile(QStringLiteral(KALIDOR_DESKTOP_ENTRY));
    for (const QByteArray &line : entry.split('\n')) {
        if (line.startsWith("MimeType="))
            return QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
    }
    return {};
}

} // namespace

void TestMimeDatabase::fileType_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");

    const QByteArray sample = readFile(QStringLiteral(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf"));
    QVERIFY(!sample.isEmpty());
    QTest::newRow("the sample by its name") << u"sample.cxf"_s << sample << cxf3Type;
    QTest::newRow("the sample by its content") << u"measured"_s << sample << cxf3Type;
    QTest::newRow("default namespace, URI in capitals")
        << u"library"_s
        << QByteArray(
               "<?xml version=\"1.0\"?>\n"
               "<CxF xmlns=\"HTTP://COLOREXCHANGEFORMAT.COM/CXF3-CORE\"><Resources/></CxF>\n")
        << cxf3Type;
    QTest::newRow("KALIDOR text table")
        << u"KALIDOR.tsv"_s << readFile(QStringLiteral(KALIDOR_TEST_DATA "/table/table-utf8.txt"))
        << u"text/tab-separated-values"_s;
    QTest::newRow("other XML") << u"other"_s
                               << QByteArray("<?xml version=\"1.0\"?>\n<svg "
                                             "xmlns=\"http://www.w3.org/2000/svg\"/>\n")
                               << u"image/svg+xml"_s;
}

void TestMimeDatabase::fileType()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);

    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const QMimeType mime = QMimeDatabase().mimeTypeForFile(file.fileName());
    QCOMPARE(mime.name(), type);

    // The file manager offers the program for the file when the entry lists its type or one
    // that its type inherits from.
    const QStringList listed = desktopEntryMimeTypes();
    const bool offered = std::any_of(
        listed.cbegin(), listed.cend(), [&](const QString &each) { return mime.inherits(each); });
    QCOMPARE(offered, type != u"image/svg+xml");

    if (type == cxf3Type)
        QVERIFY(QFile::exists(QStringLiteral(KALIDOR_STAGE_ICONS "/scalable/mimetypes/")
            + mime.iconName() + u".svg"_s));
}

QTEST_GUILESS_MAIN(TestMimeDatabase)
#include "tst_mimedatabase.moc"
