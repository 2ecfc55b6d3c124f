#include "base/kalidorerror.h"
#include "database/databaseencoding.h"
#include "database/databasesave.h"
#include "database/databasewriter.h"
#include "devicenode.h"
#include "filetestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Records of about `size` bytes in all: many short lines, as a large table gives.
QStringList recordsOfSize(qsizetype size)
{
    QStringList records;
    for (qsizetype written = 0; written < size;) {
        records.append(u"KALIDOR %1,50.5,-10.25,20.75"_s.arg(records.size(), 6, 10, QChar(u'0')));
        written += records.last().size() + 2;
    }
    return records;
}

// A small tmpfs of its own, unmounted again when the test ends.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString &folder)
        : m_folder(QFile::encodeName(folder))
    {
        m_mounted = mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=64k") == 0;
        if (!m_mounted)
            m_error = QString::fromLocal8Bit(strerror(errno));
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            umount(m_folder.constData());
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    const QString &error() const { return m_error; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_error;
};

QByteArray withCrLf(std::initializer_list<QByteArray> lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

const QByteArray utf8Mark("\xEF\xBB\xBF");

EncodedLines encodedOneByOne(const QStringList &lines, TextEncoding encoding)
{
    LineEncoder encoder(encoding);
    for (const QString &line : lines)
        encoder.append(line);
    return encoder.take();
}

} // namespace

class TestDatabaseWriter : public QObject {
    Q_OBJECT

private slots:
    void encodeLines_data();
    void encodeLines();
    void lineEncoder_data();
    void lineEncoder();
    void save_data();
    void save();
    void saveEncoded_data();
    void saveEncoded();
    void appendTwice_data();
    void appendTwice();
    void symbolicLink_data();
    void symbolicLink();
    void failure_data();
    void failure();
    void fullDisk_data();
    void fullDisk();
    void directWriteInLockedFolder_data();
    void directWriteInLockedFolder();
    void chosenFileChanged_data();
    void chosenFileChanged();
    void encodingChangedBeforeCommit_data();
    void encodingChangedBeforeCommit();
};

void TestDatabaseWriter::encodeLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QByteArray>("expected");

    const QStringList records { u"KALIDOR 100 C,92.5,-5.2,70.1"_s, u"KALIDOR Ré,1,2,3"_s };
    QTest::newRow("code page") << records << TextEncoding::DefaultCodePage
                               << withCrLf(
                                      { "KALIDOR 100 C,92.5,-5.2,70.1", "KALIDOR R\xE9,1,2,3" });
    QTest::newRow("code page, empty lines kept") << QStringList { u""_s, u"a"_s,
        u""_s } << TextEncoding::DefaultCodePage << QByteArray("\r\na\r\n\r\n");
    QTest::newRow("code page, no line")
        << QStringList {} << TextEncoding::DefaultCodePage << QByteArray();
    QTest::newRow("code page, characters it lacks")
        << QStringList { u"\u20AC \u4E2D \U0001F600 \u00A0|"_s } << TextEncoding::DefaultCodePage
        << QByteArray("\x80 ? ? \xA0|\r\n");
    QTest::newRow("UTF-8") << QStringList { u"\u00E9"_s, u"\u4E2D \U0001F600"_s }
                           << TextEncoding::Utf8
                           << utf8Mark + "\xC3\xA9\r\n\xE4\xB8\xAD \xF0\x9F\x98\x80\r\n";
    QTest::newRow("UTF-8, no line") << QStringList {} << TextEncoding::Utf8 << utf8Mark;
    QTest::newRow("UTF-16LE") << QStringList { u"A\u20AC"_s, u"\U0001F600"_s }
                              << TextEncoding::Utf16LE
                              << QByteArray::fromHex(
                                     "fffe 4100 ac20 0d00 0a00 3dd8 00de 0d00 0a00");
    QTest::newRow("UTF-16BE") << QStringList { u"A\u20AC"_s, u"\U0001F600"_s }
                              << TextEncoding::Utf16BE
                              << QByteArray::fromHex(
                                     "feff 0041 20ac 000d 000a d83d de00 000d 000a");
}

void TestDatabaseWriter::encodeLines()
{
    QFETCH(QStringList, lines);
    QFETCH(TextEncoding, encoding);
    QFETCH(QByteArray, expected);

    QCOMPARE(::encodeLines(lines, encoding), expected);
}

void TestDatabaseWriter::lineEncoder_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QByteArray>("mark");

    const QStringList characters { u"KALIDOR R\u00E9 \u20AC \u4E2D,1,2,3"_s,
        u"KALIDOR \U0001F600,4,5,6"_s, u"unpaired \xD83D"_s, u"\xDE00 unpaired"_s,
        QString(70000, u'\u00E9'), u"after the long line"_s };
    const QStringList manyShortLines = recordsOfSize(200000);
    const struct {
        const char *name;
        TextEncoding encoding;
        QByteArray mark;
    } encodings[] = {
        { "code page", TextEncoding::DefaultCodePage, {} },
        { "UTF-8", TextEncoding::Utf8, utf8Mark },
        { "UTF-16LE", TextEncoding::Utf16LE, QByteArray::fromHex("fffe") },
        { "UTF-16BE", TextEncoding::Utf16BE, QByteArray::fromHex("feff") },
    };
    for (const auto &[name, encoding, mark] : encodings) {
        QTest::addRow("%s, characters and a long line", name) << characters << encoding << mark;
        QTest::addRow("%s, many short lines", name) << manyShortLines << encoding << mark;
    }
}

void TestDatabaseWriter::lineEncoder()
{
    QFETCH(QStringList, lines);
    QFETCH(TextEncoding, encoding);
    QFETCH(QByteArray, mark);

    LineEncoder encoder(encoding);
    for (const QString &line : std::as_const(lines))
        encoder.append(line);
    const EncodedLines encoded = encoder.take();

    QCOMPARE(encoded.encoding, encoding);
    QCOMPARE(encoded.withMark(), ::encodeLines(lines, encoding));
    QCOMPARE(mark + encoded.bytes, encoded.withMark());
    // However the lines fall into blocks, they are encoded as one text would be.
    QCOMPARE(encoded.withMark(), ::encodeLines({ lines.join(u"\r\n"_s) }, encoding));

    encoder.append(lines.first());
    QCOMPARE(encoder.take().withMark(), ::encodeLines({ lines.first() }, encoding));
}

void TestDatabaseWriter::save_data()
{
    QTest::addColumn<std::optional<QByteArray>>("existing"); // nullopt: no file yet
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<bool>("append");
    QTest::addColumn<QByteArray>("expected");

    const QStringList records { u"KALIDOR 1,10,-1,2"_s, u"KALIDOR \u00C9,3,4,5"_s };
    const QByteArray recordBytes = withCrLf({ "KALIDOR 1,10,-1,2", "KALIDOR \xC9,3,4,5" });
    const QByteArray recordUtf8 = withCrLf({ "KALIDOR 1,10,-1,2", "KALIDOR \xC3\x89,3,4,5" });
    const auto none = std::optional<QByteArray>();

    QTest::newRow("new file") << none << records << false << recordBytes;
    QTest::newRow("existing file replaced")
        << std::optional(QByteArray("old line\r\n")) << records << false << recordBytes;
    QTest::newRow("existing UTF-8 file replaced in the code page")
        << std::optional(utf8Mark + "old\r\n") << records << false << recordBytes;
    QTest::newRow("no record, new file") << none << QStringList {} << false << QByteArray();
    QTest::newRow("no record, existing file emptied")
        << std::optional(QByteArray("old\r\n")) << QStringList {} << false << QByteArray();

    QTest::newRow("append, missing file") << none << records << true << recordBytes;
    QTest::newRow("append, LF ends and none after the last line")
        << std::optional(QByteArray("KALIDOR A,1,2,3\nKALIDOR B,4,5,6")) << records << true
        << withCrLf({ "KALIDOR A,1,2,3", "KALIDOR B,4,5,6" }) + recordBytes;
    QTest::newRow("append, empty last line")
        << std::optional(QByteArray("KALIDOR A,1,2,3\n\n")) << records << true
        << withCrLf({ "KALIDOR A,1,2,3", "" }) + recordBytes;
    QTest::newRow("append, CR ends") << std::optional(QByteArray("a\rb\r")) << records << true
                                     << withCrLf({ "a", "b" }) + recordBytes;
    QTest::newRow("append, empty file")
        << std::optional(QByteArray()) << records << true << recordBytes;
    QTest::newRow("append, no record")
        << std::optional(QByteArray("a\nb")) << QStringList {} << true << withCrLf({ "a", "b" });

    QByteArray upperHalf;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        upperHalf += char(byte);
    QTest::newRow("append, no mark, bytes 80 to FF kept")
        << std::optional(upperHalf + "\r\n" + upperHalf) << records << true
        << withCrLf({ upperHalf, upperHalf }) + recordBytes;

    QTest::newRow("append, UTF-8 with mark")
        << std::optional(utf8Mark + "\xE4\xB8\xAD\r\n") << records << true
        << utf8Mark + withCrLf({ "\xE4\xB8\xAD" }) + recordUtf8;
    QTest::newRow("append, UTF-8 mark alone")
        << std::optional(utf8Mark) << records << true << utf8Mark + recordUtf8;
    QTest::newRow("append, UTF-8 keeps what the code page lacks")
        << std::optional(utf8Mark) << QStringList { u"KALIDOR \u4E2D \U0001F600,1,2,3"_s } << true
        << utf8Mark + "KALIDOR \xE4\xB8\xAD \xF0\x9F\x98\x80,1,2,3\r\n";
    QTest::newRow("append, UTF-16LE with mark")
        << std::optional(QByteArray::fromHex("fffe 4100 0a00 2d4e")) << QStringList { u"K\u00C9"_s }
        << true << QByteArray::fromHex("fffe 4100 0d00 0a00 2d4e 0d00 0a00 4b00 c900 0d00 0a00");
    QTest::newRow("append, UTF-16BE with mark")
        << std::optional(QByteArray::fromHex("feff 0041 000d 000a 4e2d"))
        << QStringList { u"K\u00C9"_s } << true
        << QByteArray::fromHex("feff 0041 000d 000a 4e2d 000d 000a 004b 00c9 000d 000a");
}

void TestDatabaseWriter::save()
{
    QFETCH(std::optional<QByteArray>, existing);
    QFETCH(QStringList, records);
    QFETCH(bool, append);
    QFETCH(QByteArray, expected);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"KALIDOR_Color_Database.csv"_s);
    if (existing)
        QVERIFY(writeFile(path, *existing));

    saveDatabase(path, records, append);

    QCOMPARE(readAll(path), expected);
    QCOMPARE(entries(dir.path()), QStringList { u"KALIDOR_Color_Database.csv"_s });
}

void TestDatabaseWriter::saveEncoded_data()
{
    QTest::addColumn<std::optional<QByteArray>>("existing"); // nullopt: no file yet
    QTest::addColumn<bool>("append");

    QTest::newRow("new file") << std::optional<QByteArray>() << false;
    QTest::newRow("existing UTF-16LE file replaced")
        << std::optional(QByteArray::fromHex("fffe 4100 0a00 2d4e")) << false;
    QTest::newRow("append, missing file") << std::optional<QByteArray>() << true;
    QTest::newRow("append, UTF-16LE")
        << std::optional(QByteArray::fromHex("fffe 4100 0a00 2d4e")) << true;
    QTest::newRow("append, UTF-8") << std::optional(utf8Mark + "\xE4\xB8\xAD\r\n") << true;
    QTest::newRow("append, code page")
        << std::optional(QByteArray("KALIDOR \xC9,1,2,3\nKALIDOR B,4,5,6")) << true;
}

void TestDatabaseWriter::saveEncoded()
{
    QFETCH(std::optional<QByteArray>, existing);
    QFETCH(bool, append);

    const QTemporaryDir dir;
    const QString fromLines = dir.filePath(u"fromLines.csv"_s);
    const QString fromEncoded = dir.filePath(u"fromEncoded.csv"_s);
    if (existing) {
        QVERIFY(writeFile(fromLines, *existing));
        QVERIFY(writeFile(fromEncoded, *existing));
    }
    const QStringList records { u"KALIDOR \u00C9 \u20AC,1,2,3"_s, u"KALIDOR \U0001F600,4,5,6"_s,
        u"KALIDOR \u4E2D,7,8,9"_s };

    const QString linesNote = saveDatabase(fromLines, records, append);
    DatabaseSave save(fromEncoded, append);
    // The guess that work begun before the file is held starts from.
    QCOMPARE(save.encoding(), databaseEncoding(fromEncoded, append));
    const QString encodedNote = save.commit(encodedOneByOne(records, save.encoding()));

    QCOMPARE(readAll(fromEncoded), readAll(fromLines));
    QCOMPARE(encodedNote, linesNote);
    QCOMPARE(entries(dir.path()), QStringList({ u"fromEncoded.csv"_s, u"fromLines.csv"_s }));
}

void TestDatabaseWriter::appendTwice_data()
{
    QTest::addColumn<std::optional<QByteArray>>("existing"); // nullopt: no file yet
    QTest::addColumn<QByteArray>("expected");

    const QByteArray records = withCrLf({ "KALIDOR \xC9,1,2,3", "KALIDOR 2,4,5,6" });
    QTest::newRow("missing file") << std::optional<QByteArray>() << records + records;
    QTest::newRow("code page") << std::optional(QByteArray("old")) << "old\r\n" + records + records;
    const QByteArray recordsUtf16
        = QByteArray::fromHex("4b00 4100 4c00 4900 4400 4f00 5200 2000 c900 2c00"
                              "3100 2c00 3200 2c00 3300 0d00 0a00"
                              "4b00 4100 4c00 4900 4400 4f00 5200 2000 3200 2c00"
                              "3400 2c00 3500 2c00 3600 0d00 0a00");
    QTest::newRow("UTF-16LE") << std::optional(QByteArray::fromHex("fffe"))
                              << QByteArray::fromHex("fffe") + recordsUtf16 + recordsUtf16;
}

void TestDatabaseWriter::appendTwice()
{
    QFETCH(std::optional<QByteArray>, existing);
    QFETCH(QByteArray, expected);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"specialColors"_s);
    if (existing)
        QVERIFY(writeFile(path, *existing));
    const QStringList records { u"KALIDOR \u00C9,1,2,3"_s, u"KALIDOR 2,4,5,6"_s };

    saveDatabase(path, records, true);
    saveDatabase(path, records, true);

    QCOMPARE(readAll(path), expected);
}

void TestDatabaseWriter::symbolicLink_data()
{
    QTest::addColumn<bool>("append");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("replace") << false << QByteArray("KALIDOR 1,2,3,4\r\n");
    QTest::newRow("append") << true << QByteArray("old\r\nKALIDOR 1,2,3,4\r\n");
}

void TestDatabaseWriter::symbolicLink()
{
    QFETCH(bool, append);
    QFETCH(QByteArray, expected);

    const QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"store"_s));
    const QString target = dir.filePath(u"store/database.csv"_s);
    const QString link = dir.filePath(u"link.csv"_s);
    QVERIFY(writeFile(target, "old\n"));
    QVERIFY(QFile::link(target, link));

    saveDatabase(link, { u"KALIDOR 1,2,3,4"_s }, append);

    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(readAll(target), expected);
    QCOMPARE(entries(dir.filePath(u"store"_s)), QStringList { u"database.csv"_s });
}

enum class Target {
    UnderRegularFile, // the folder named in the path is a file
    Folder,
    FullDevice, // a node of the test's own with /dev/full's numbers
    ReadOnlyFile,
    InvalidUtf8AfterMark,
    NulCharacter,
    Utf16WithoutMark,
    Utf16OddByteLE, // half a code unit at the end
    Utf16OddByteBE,
};

void TestDatabaseWriter::failure_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<bool>("append");
    QTest::addColumn<QString>("reason");

    for (const bool append : { false, true }) {
        const char *mode = append ? "append" : "replace";
        QTest::addRow("under a regular file, %s", mode)
            << Target::UnderRegularFile << append << u"Not a directory"_s;
        QTest::addRow("folder, %s", mode) << Target::Folder << append << u"it is a folder"_s;
        QTest::addRow("full device, %s", mode)
            << Target::FullDevice << append << u"it is not a regular file"_s;
        QTest::addRow("read-only file, %s", mode)
            << Target::ReadOnlyFile << append << u"the file is read-only"_s;
    }
    QTest::newRow("invalid UTF-8 after a mark")
        << Target::InvalidUtf8AfterMark << true << u"Invalid UTF-8 sequence at byte offset 5"_s;
    QTest::newRow("NUL character") << Target::NulCharacter << true << u"NUL character"_s;
    QTest::newRow("UTF-16 without a mark")
        << Target::Utf16WithoutMark << true << u"NUL character"_s;
    QTest::newRow("UTF-16LE with an odd last byte")
        << Target::Utf16OddByteLE << true << u"half a UTF-16 character"_s;
    QTest::newRow("UTF-16BE with an odd last byte")
        << Target::Utf16OddByteBE << true << u"half a UTF-16 character"_s;
}

void TestDatabaseWriter::failure()
{
    QFETCH(Target, target);
    QFETCH(bool, append);
    QFETCH(QString, reason);

    const QTemporaryDir dir;
    QString path = dir.filePath(u"database.csv"_s);
    QString watched = path; // what must be unchanged afterwards
    QByteArray before;
    switch (target) {
    case Target::UnderRegularFile:
        before = "a regular file\r\n";
        path = watched + u"/database.csv"_s;
        break;
    case Target::Folder:
        QVERIFY(QDir(dir.path()).mkdir(u"database.csv"_s));
        break;
    case Target::FullDevice:
        if (const QString notMade = makeFullDevice(path); !notMade.isEmpty())
            QSKIP(qPrintable(notMade));
        break;
    case Target::ReadOnlyFile:
        before = "KALIDOR A,1,2,3\r\n";
        break;
    case Target::InvalidUtf8AfterMark:
        before = utf8Mark + "ab\xC3\x28\r\n";
        break;
    case Target::NulCharacter:
        before = QByteArray("KALIDOR A,1,2,3\r\nKALIDOR\0B,4,5,6\r\n", 34);
        break;
    case Target::Utf16WithoutMark:
        before = QByteArray("K\0A\0\r\0\n\0", 8);
        break;
    case Target::Utf16OddByteLE:
        before = QByteArray::fromHex("fffe 4b00 0d00 0a00 41");
        break;
    case Target::Utf16OddByteBE:
        before = QByteArray::fromHex("feff 4e");
        break;
    }
    if (!before.isEmpty())
        QVERIFY(writeFile(watched, before));
    if (target == Target::ReadOnlyFile)
        QVERIFY(
            QFile::setPermissions(watched, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QStringList folderBefore = entries(QFileInfo(watched).path());
    struct stat statBefore { };
    QCOMPARE(stat(QFile::encodeName(watched).constData(), &statBefore), 0);

    try {
        saveDatabase(path, { u"KALIDOR 1,2,3,4"_s }, append);
        QFAIL("the save must fail");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        QVERIFY2(error.text().contains(reason), qPrintable(error.text()));
    }

    struct stat statAfter { };
    QCOMPARE(stat(QFile::encodeName(watched).constData(), &statAfter), 0);
    QCOMPARE(statAfter.st_mode, statBefore.st_mode);
    QCOMPARE(statAfter.st_ino, statBefore.st_ino);
    if (S_ISREG(statAfter.st_mode))
        QCOMPARE(readAll(watched), before);
    QCOMPARE(entries(QFileInfo(watched).path()), folderBefore);
}

void TestDatabaseWriter::fullDisk_data()
{
    QTest::addColumn<bool>("ownFileSystem"); // else a file size limit of 8 KiB
    QTest::addColumn<int>("oldSize");
    QTest::addColumn<int>("newSize");

    // A large write goes straight to the file and comes back short; a small one waits in the
    // buffer and fails when it is flushed.
    QTest::newRow("size limit, large write") << false << 30000 << 40000;
    QTest::newRow("size limit, buffered write") << false << 30000 << 12000;
    QTest::newRow("64 KiB tmpfs, large write") << true << 30000 << 40000;
    QTest::newRow("64 KiB tmpfs, buffered write") << true << 56000 << 12000;
}

void TestDatabaseWriter::fullDisk()
{
    QFETCH(bool, ownFileSystem);
    QFETCH(int, oldSize);
    QFETCH(int, newSize);

    const QTemporaryDir dir;
    std::optional<SmallFileSystem> fileSystem;
    if (ownFileSystem) {
        fileSystem.emplace(dir.path());
        if (!fileSystem->isMounted())
            QSKIP(qPrintable(u"cannot mount a tmpfs here (%1)"_s.arg(fileSystem->error())));
    }
    const QString path = dir.filePath(u"KALIDOR_Color_Database.csv"_s);
    const QByteArray before = withCrLf({ QByteArray(oldSize - 2, 'x') });
    QVERIFY(writeFile(path, before));

    try {
        std::optional<FileSizeLimit> limit;
        if (!ownFileSystem) {
            limit.emplace(8192);
            QVERIFY(limit->isActive());
        }
        saveDatabase(path, recordsOfSize(newSize), false);
        QFAIL("the save must fail");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
    }

    QCOMPARE(readAll(path), before);
    QCOMPARE(entries(dir.path()), QStringList { u"KALIDOR_Color_Database.csv"_s });
}

void TestDatabaseWriter::directWriteInLockedFolder_data()
{
    QTest::addColumn<int>("newSize");
    QTest::addColumn<bool>("fits"); // else a file size limit of 8 KiB stops the write

    QTest::newRow("written") << 100 << true;
    QTest::newRow("large write on a full disk") << 40000 << false;
    QTest::newRow("buffered write on a full disk") << 12000 << false;
}

void TestDatabaseWriter::directWriteInLockedFolder()
{
    QFETCH(int, newSize);
    QFETCH(bool, fits);

    // A folder where no file can be added, holding a file that anyone may write.
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"database.csv"_s);
    QVERIFY(writeFile(path, "old\r\n"));
    constexpr QFile::Permissions readAndWrite = QFile::ReadOwner | QFile::WriteOwner
        | QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    constexpr QFile::Permissions readAndEnter = QFile::ReadOwner | QFile::ExeOwner
        | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(path, readAndWrite));
    QVERIFY(QFile::setPermissions(dir.path(), readAndEnter));
    const auto unlock = qScopeGuard([&dir] {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    const auto copiesInTemporaryFolder = [] {
        return QDir::temp().entryList({ u"database.csv.copy-before-save-*"_s }, QDir::Files);
    };
    const QStringList copiesBefore = copiesInTemporaryFolder();
    const QStringList records = recordsOfSize(newSize);
    std::optional<QString> error;
    {
        const OtherUser user;
        if (!user.isNotRoot())
            QSKIP("root can add files anywhere, and this process cannot become another user");
        std::optional<FileSizeLimit> limit;
        if (!fits) {
            limit.emplace(8192);
            QVERIFY(limit->isActive());
        }
        try {
            saveDatabase(path, records, true);
        } catch (const KalidorError &caught) {
            error = caught.text();
        }
    }

    // The file is written in place, its old bytes kept in the temporary folder meanwhile: a
    // failure puts them back, and the copy goes either way.
    if (fits) {
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        QCOMPARE(readAll(path), "old\r\n" + records.join(u"\r\n"_s).toLatin1() + "\r\n");
    } else {
        QVERIFY(error);
        QVERIFY2(error->contains(QDir::toNativeSeparators(path)), qPrintable(*error));
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
    }
    QCOMPARE(entries(dir.path()), QStringList { u"database.csv"_s });
    QCOMPARE(copiesInTemporaryFolder(), copiesBefore);
}

// What happened to the chosen database file between the save dialog and the save.
enum class Change {
    Removed,
    ReplacedByFile, // another database, in UTF-16
    ReplacedByFolder,
    ReplacedByPipe,
    ReplacedByDanglingLink, // a symbolic link to a file that does not exist yet
};

void TestDatabaseWriter::chosenFileChanged_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("append");
    QTest::addColumn<QString>("reason"); // part of the error; empty when the save goes through
    QTest::addColumn<QByteArray>("expected"); // the file's bytes afterwards

    const QByteArray records = withCrLf({ "KALIDOR 1,2,3,4" });
    for (const bool append : { false, true }) {
        const char *mode = append ? "append" : "replace";
        QTest::addRow("removed, %s", mode) << Change::Removed << append << QString() << records;
        QTest::addRow("replaced by a folder, %s", mode)
            << Change::ReplacedByFolder << append << u"it is a folder"_s << QByteArray();
        QTest::addRow("replaced by a named pipe, %s", mode)
            << Change::ReplacedByPipe << append << u"it is not a regular file"_s << QByteArray();
        QTest::addRow("replaced by a dangling link, %s", mode)
            << Change::ReplacedByDanglingLink << append << QString() << records;
    }
    QTest::newRow("replaced by another file, replace")
        << Change::ReplacedByFile << false << QString() << records;
    QTest::newRow("replaced by another file, append")
        << Change::ReplacedByFile << true << QString()
        << QByteArray::fromHex("fffe 4100 0d00 0a00 4200 0d00 0a00"
                               "4b00 4100 4c00 4900 4400 4f00 5200 2000"
                               "3100 2c00 3200 2c00 3300 2c00 3400 0d00 0a00");
}

void TestDatabaseWriter::chosenFileChanged()
{
    QFETCH(Change, change);
    QFETCH(bool, append);
    QFETCH(QString, reason);
    QFETCH(QByteArray, expected);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"KALIDOR_Color_Database.csv"_s);
    QVERIFY(writeFile(path, "KALIDOR old,1,2,3\r\n"));

    // The operator has chosen `path` in the dialog; now someone else changes it.
    QVERIFY(QFile::remove(path));
    QString written = path; // where the records must land
    QStringList expectedEntries { u"KALIDOR_Color_Database.csv"_s };
    switch (change) {
    case Change::Removed:
        break;
    case Change::ReplacedByFile:
        QVERIFY(writeFile(path, QByteArray::fromHex("fffe 4100 0a00 4200")));
        break;
    case Change::ReplacedByFolder:
        QVERIFY(QDir(dir.path()).mkdir(u"KALIDOR_Color_Database.csv"_s));
        QVERIFY(writeFile(path + u"/inside"_s, "kept"));
        break;
    case Change::ReplacedByPipe:
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Change::ReplacedByDanglingLink:
        written = dir.filePath(u"elsewhere.csv"_s);
        QVERIFY(QFile::link(written, path));
        expectedEntries.prepend(u"elsewhere.csv"_s);
        break;
    }

    std::optional<QString> error;
    try {
        // Opening a pipe for reading would wait for a writer for ever; a save must not.
        saveDatabase(path, { u"KALIDOR 1,2,3,4"_s }, append);
    } catch (const KalidorError &caught) {
        error = caught.text();
    }

    if (reason.isEmpty()) {
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        QCOMPARE(readAll(written), expected);
    } else {
        QVERIFY(error);
        QVERIFY2(error->contains(QDir::toNativeSeparators(path)), qPrintable(*error));
        QVERIFY2(error->contains(reason), qPrintable(*error));
    }
    if (change == Change::ReplacedByFolder) {
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(readAll(path + u"/inside"_s), QByteArray("kept"));
    }
    if (change == Change::ReplacedByPipe) {
        struct stat pipe { };
        QCOMPARE(lstat(QFile::encodeName(path).constData(), &pipe), 0);
        QVERIFY(S_ISFIFO(pipe.st_mode));
    }
    if (change == Change::ReplacedByDanglingLink)
        QCOMPARE(QFileInfo(path).symLinkTarget(), written);
    QCOMPARE(entries(dir.path()), expectedEntries);
}

// How another program gave the database another encoding while the records were made.
enum class EncodingChange {
    ReplacedByRename, // another file renamed over it, as editors save
    RewrittenInPlace,
    Removed,
    Created, // where there was no file when the save was opened
};

void TestDatabaseWriter::encodingChangedBeforeCommit_data()
{
    QTest::addColumn<std::optional<QByteArray>>("opened"); // nullopt: no file yet
    QTest::addColumn<EncodingChange>("change");
    QTest::addColumn<QByteArray>("now"); // what the other program wrote
    QTest::addColumn<bool>("encoded"); // the records encoded beforehand, else as lines

    const QByteArray utf16 = QByteArray::fromHex("fffe 4100 0d00 0a00");
    const QByteArray utf8 = utf8Mark + "b\r\n";
    const QByteArray codePage = "KALIDOR Old,1,2,3\r\n";
    for (const bool encoded : { false, true }) {
        const char *records = encoded ? "encoded" : "lines";
        QTest::addRow("UTF-16LE file rewritten in UTF-8, %s", records)
            << std::optional(utf16) << EncodingChange::RewrittenInPlace << utf8 << encoded;
        QTest::addRow("UTF-8 file rewritten without a mark, %s", records)
            << std::optional(utf8) << EncodingChange::RewrittenInPlace << codePage << encoded;
        QTest::addRow("code-page file replaced by a UTF-16LE one, %s", records)
            << std::optional(codePage) << EncodingChange::ReplacedByRename << utf16 << encoded;
        QTest::addRow("UTF-16BE file removed, %s", records)
            << std::optional(QByteArray::fromHex("feff 0041")) << EncodingChange::Removed
            << QByteArray() << encoded;
        QTest::addRow("UTF-16LE file created, %s", records)
            << std::optional<QByteArray>() << EncodingChange::Created << utf16 << encoded;
    }
}

// The encoding is settled when the save reads the file; whatever another program does to the
// file before the commit, the commit refuses and leaves the file as that program left it.
void TestDatabaseWriter::encodingChangedBeforeCommit()
{
    QFETCH(std::optional<QByteArray>, opened);
    QFETCH(EncodingChange, change);
    QFETCH(QByteArray, now);
    QFETCH(bool, encoded);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"KALIDOR_Color_Database.csv"_s);
    if (opened)
        QVERIFY(writeFile(path, *opened));
    const QStringList records { u"KALIDOR 1,2,3,4"_s };

    DatabaseSave save(path, true);
    const EncodedLines madeBeforehand = encodedOneByOne(records, save.encoding());
    switch (change) {
    case EncodingChange::ReplacedByRename: {
        const QString other = dir.filePath(u"other.csv"_s);
        QVERIFY(writeFile(other, now));
        QCOMPARE(
            rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        break;
    }
    case EncodingChange::RewrittenInPlace:
    case EncodingChange::Created:
        QVERIFY(writeFile(path, now));
        break;
    case EncodingChange::Removed:
        QVERIFY(QFile::remove(path));
        break;
    }

    try {
        if (encoded)
            save.commit(madeBeforehand);
        else
            save.commit(records);
        QFAIL("the commit must refuse");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().startsWith(QDir::toNativeSeparators(path) + u": "_s),
            qPrintable(error.text()));
        QVERIFY2(error.text().contains(u"another program changed it after it was read"_s),
            qPrintable(error.text()));
    }

    if (change == EncodingChange::Removed) {
        QCOMPARE(entries(dir.path()), QStringList());
    } else {
        QCOMPARE(readAll(path), now);
        QCOMPARE(entries(dir.path()), QStringList { u"KALIDOR_Color_Database.csv"_s });
    }
}

QTEST_APPLESS_MAIN(TestDatabaseWriter)
#include "tst_databasewriter.moc"
