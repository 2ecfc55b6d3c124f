#include "database/databasesave.h"
#include "ui/messages.h"
#include "ui/progressindicator.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

const QByteArray table = "Name\tL*\ta*\tb*\r\n"
                         "KALIDOR 100 C\t92.5\t-5.2\t70.1\r\n"
                         "Kalidor skipped\t1\t2\t3\r\n"
                         "KALIDOR 200, matt\t50\t60\t20\t99\r\n";

// Two colours of a CxF3 library: a name beyond Windows-1252, and L* beyond 100.
const QByteArray library
    = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
      " xmlns:xsi=\"http://www.w3.org/2001/"
      "XMLSchema-instance\">\n<cc:Resources><cc:ObjectCollection>\n"
      "<cc:Object Name=\"KALIDOR \xC4\x80\"><cc:ColorValues><cc:ColorCIELab><cc:L>50</cc:L>"
      "<cc:A>1</cc:A><cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>\n"
      "<cc:Object Name=\"KALIDOR B\"><cc:ColorValues><cc:ColorCIELab><cc:L>104</cc:L>"
      "<cc:A>0</cc:A><cc:B>0</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>\n"
      "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n";

QByteArray utf16le(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// Rows "KALIDOR A0" to "KALIDOR A1999", each 50, 1, 2, in UTF-8 with its mark; the third and
// one near the end hold a paragraph separator, which a text view shows by a stand-in.
QByteArray namedRowsTable(QStringList &records)
{
    QString text = QStringLiteral("Name\tL*\ta*\tb*\r\n");
    for (int i = 0; i < 2000; ++i) {
        QString name = QStringLiteral("KALIDOR A%1").arg(i);
        if (i == 2 || i == 1990)
            name += QChar::ParagraphSeparator;
        text += name + QStringLiteral("\t50\t1\t2\r\n");
        records.append(name + QStringLiteral(",50,1,2"));
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

// The lines as a view shows them.
QStringList shownLines(QStringList lines)
{
    lines.replaceInStrings(QStringLiteral("\u2029"), QStringLiteral("\u00B6"));
    return lines;
}

} // namespace

class TestConvertWorkflow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void noTableShowsNotSelected();
    void recordsAreBuiltAndSaved_data();
    void recordsAreBuiltAndSaved();
    void progressCoversTheHiddenControlsWhileConverting();
    void saveDialogOffersNameByForm();
    void appendKeepsTheExistingLines();
    void shortRowReportsAndPutsTheWindowBack_data();
    void shortRowReportsAndPutsTheWindowBack();
    void cancelWritesNothing();
    void failedSaveKeepsLabelAndOldFile();
    void saveTellsWhatItFoundBesideTheFile();
    void saveWhileAnotherRunSavesFails();
    void warnedRecordsAreMarked();
    void controlCharactersAreShownVisibly();
    void nestedObjectIsMarked();
    void checkedForTheFileChosen();
    void heldNamesAreMarkedWhenAppending();
    void cxf3RecordsFollowTheFormAndFileChosen_data();
    void cxf3RecordsFollowTheFormAndFileChosen();
    void secondPressWhileConvertingIsIgnored();
    void editDuringTheLoopIsSaved();
    void tableOpenedDuringTheLoopLeavesTheRunAlone();

private:
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    // Opens `bytes` as a text table in a fresh window.
    void openTable(WindowFixture &window, const QByteArray &bytes) const;
    void convert(WindowFixture &window, const std::optional<QString> &saveAs) const;
    void verifyConvertControlsShown(WindowFixture &window) const;
    // Converts into `saveAs`, calling `step` once, at the first progress step the operator sees.
    void convertCalling(WindowFixture &window, const QString &saveAs, std::function<void()> step);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestConvertWorkflow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestConvertWorkflow::openTable(WindowFixture &window, const QByteArray &bytes) const
{
    writeBytes(path("table.txt"), bytes);
    window.dialogs->openAnswers.append(path("table.txt"));
    window.press("btnOpenKalidorFile");
    window.child<QTabWidget>("TabControl1")->setCurrentIndex(1);
}

void TestConvertWorkflow::convert(WindowFixture &window, const std::optional<QString> &saveAs) const
{
    window.dialogs->saveAnswers.append(saveAs);
    window.press("buttonConvertDelvane");
}

void TestConvertWorkflow::convertCalling(
    WindowFixture &window, const QString &saveAs, std::function<void()> step)
{
    const auto *progress = window.child<ProgressIndicator>("RectangleProgress");
    const EventSampler sampler([&] {
        if (step && progress->isVisible() && progress->width() > 0)
            std::exchange(step, nullptr)();
    });
    convert(window, saveAs);
    QVERIFY(!step);
}

void TestConvertWorkflow::verifyConvertControlsShown(WindowFixture &window) const
{
    QVERIFY(window.child<QCheckBox>("CheckBoxCSV")->isVisible());
    QVERIFY(window.child<QCheckBox>("CheckBoxAppend")->isVisible());
    QVERIFY(window.child<QLabel>("labelDelvaneColorFile")->isVisible());
    QVERIFY(!window.child<QWidget>("RectangleProgress")->isVisible());
}

void TestConvertWorkflow::noTableShowsNotSelected()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    convert(window, path("out.csv"));
    // The page is unavailable whenever the table is empty, so the press reaches the handler
    // while a second opening has emptied the table and its dialog is up.
    auto *convertButton = window.child<QPushButton>("buttonConvertDelvane");
    window.dialogs->onOpenDialog = [&] { emit convertButton->clicked(); };
    window.press("btnOpenKalidorFile");

    QCOMPARE(window.dialogs->messages.size(), 1);
    QCOMPARE(window.dialogs->messages.first().kind, MessageKind::Error);
    QCOMPARE(window.dialogs->messages.first().text, QStringLiteral("KALIDOR file not selected"));
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), 2); // the earlier records stay
    QCOMPARE(window.dialogs->offeredSaveNames.size(), 1);
    // Nothing was hidden: the controls are still shown on their page, which the second opening
    // has made unavailable, so it is no longer the current one.
    const auto *page = window.child<QWidget>("TabItem2");
    QVERIFY(window.child<QCheckBox>("CheckBoxCSV")->isVisibleTo(page));
    QVERIFY(window.child<QCheckBox>("CheckBoxAppend")->isVisibleTo(page));
    QVERIFY(window.child<QLabel>("labelDelvaneColorFile")->isVisibleTo(page));
    QVERIFY(!window.child<QWidget>("RectangleProgress")->isVisible());
}

void TestConvertWorkflow::recordsAreBuiltAndSaved_data()
{
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QStringList>("records");

    QTest::newRow("csv") << true
                         << QStringList { "KALIDOR 100 C,92.5,-5.2,70.1",
                                "KALIDOR 200, matt,50,60,20" };
    QTest::newRow("legacy") << false
                            << QStringList { "SPOTCOLOR_NAME:KALIDOR 100 C; D50_LAB:92.5,-5.2,70.1",
                                   "SPOTCOLOR_NAME:KALIDOR 200, matt; D50_LAB:50,60,20" };
}

void TestConvertWorkflow::recordsAreBuiltAndSaved()
{
    QFETCH(bool, csv);
    QFETCH(QStringList, records);

    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    window.child<QCheckBox>("CheckBoxCSV")->setChecked(csv);
    writeBytes(path("out.csv"), "old content that is replaced\r\n");
    convert(window, path("out.csv"));

    QCOMPARE(window.lines("memoDelvaneSpecialColors"), records);
    QCOMPARE(
        readBytes(path("out.csv")), (records.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(), path("out.csv"));
    QVERIFY(window.dialogs->messages.isEmpty());
    verifyConvertControlsShown(window);

    // The operator may edit the records in sight; a second run starts from an empty output
    // view, back to showing the records it builds, and saves those, not the edited text.
    auto *output = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QTest::keyClick(output, Qt::Key_Return);
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), records.size() + 1);
    convert(window, path("out.csv"));
    QCOMPARE(window.lines("memoDelvaneSpecialColors"), records);
    QVERIFY(!output->textView());
    QCOMPARE(
        readBytes(path("out.csv")), (records.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());
}

void TestConvertWorkflow::progressCoversTheHiddenControlsWhileConverting()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    constexpr int rows = 50;
    QByteArray bytes = "Name\tL*\ta*\tb*\n";
    for (int i = 0; i < rows; ++i)
        bytes += "KALIDOR " + QByteArray::number(i) + "\t1\t2\t3\n";
    openTable(window, bytes);
    auto *progress = window.child<ProgressIndicator>("RectangleProgress");
    auto *label = window.child<QLabel>("labelDelvaneColorFile");
    auto *csv = window.child<QCheckBox>("CheckBoxCSV");
    auto *append = window.child<QCheckBox>("CheckBoxAppend");
    const auto coveredHidden
        = [&] { return !label->isVisible() && !csv->isVisible() && !append->isVisible(); };

    // The widths the operator can see: those the indicator has whenever events run.
    QList<int> widthsShown;
    bool coveredShownUnderProgress = false;
    bool progressShownAtSave = true;
    bool coveredHiddenAtSave = false;
    window.dialogs->onSaveDialog = [&] {
        progressShownAtSave = progress->isVisible();
        coveredHiddenAtSave = coveredHidden();
    };
    {
        const EventSampler sampler([&] {
            if (!progress->isVisible())
                return;
            appendChange(widthsShown, progress->width());
            coveredShownUnderProgress = coveredShownUnderProgress || !coveredHidden();
        });
        convert(window, path("out.csv"));
    }

    // 51 lines: an update after every second row from row 3 on, to row / 51 of the full width.
    QList<int> expected { 0 };
    for (int row = 3; row <= rows; row += 2)
        expected.append(row * ProgressIndicator::fullWidth / (rows + 1));
    QCOMPARE(widthsShown, expected);
    QVERIFY(!coveredShownUnderProgress);
    // The records are built and the indicator gone, but the controls wait for the save's end.
    QVERIFY(!progressShownAtSave);
    QVERIFY(coveredHiddenAtSave);
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), rows);
    verifyConvertControlsShown(window);
}

void TestConvertWorkflow::saveDialogOffersNameByForm()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    auto *csv = window.child<QCheckBox>("CheckBoxCSV");

    csv->setChecked(false);
    convert(window, path("specialColors")); // the first legacy run offers the starting name
    convert(window, std::nullopt); // then the path chosen last
    csv->setChecked(true);
    convert(window, path("db.csv"));
    csv->setChecked(false);
    convert(window, std::nullopt); // a cancelled dialog leaves the name alone
    convert(window, std::nullopt);

    QCOMPARE(window.dialogs->offeredSaveNames,
        QStringList({ "specialColors", path("specialColors"), "KALIDOR_Color_Database.csv",
            path("db.csv"), path("db.csv") }));
    QVERIFY(QFile::exists(path("specialColors")));
}

void TestConvertWorkflow::appendKeepsTheExistingLines()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    writeBytes(path("db.csv"), "\xEF\xBB\xBFKALIDOR 1,1,2,3\nlast line without end");
    convert(window, path("db.csv"));
    convert(window, path("db.csv"));

    const QByteArray records = "KALIDOR 100 C,92.5,-5.2,70.1\r\nKALIDOR 200, matt,50,60,20\r\n";
    QCOMPARE(readBytes(path("db.csv")),
        "\xEF\xBB\xBFKALIDOR 1,1,2,3\r\nlast line without end\r\n" + records + records);
}

void TestConvertWorkflow::shortRowReportsAndPutsTheWindowBack_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("message");

    QTest::newRow("name alone") << QByteArray("KALIDOR 300 C") << "List index out of bounds (1)";
    QTest::newRow("two fields") << QByteArray("KALIDOR 300 C\t1") << "List index out of bounds (2)";
    QTest::newRow("three fields") << QByteArray("KALIDOR 300 C\t1\t\t2")
                                  << "List index out of bounds (3)";
}

void TestConvertWorkflow::shortRowReportsAndPutsTheWindowBack()
{
    QFETCH(QByteArray, row);
    QFETCH(QString, message);

    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table + row + "\r\nKALIDOR 400 C\t1\t2\t3\r\n");
    convert(window, path("out.csv"));

    QCOMPARE(window.dialogs->messages.size(), 1);
    QCOMPARE(window.dialogs->messages.first().kind, MessageKind::Error);
    QCOMPARE(window.dialogs->messages.first().text, message);
    QCOMPARE(window.lines("memoDelvaneSpecialColors"),
        QStringList({ "KALIDOR 100 C,92.5,-5.2,70.1", "KALIDOR 200, matt,50,60,20" }));
    QVERIFY(window.dialogs->offeredSaveNames.isEmpty());
    QVERIFY(!QFile::exists(path("out.csv")));
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(),
        QStringLiteral("KALIDOR_Color_Database.csv"));
    verifyConvertControlsShown(window);

    // The window goes on: the next conversion runs to its end.
    openTable(window, table);
    convert(window, path("out.csv"));
    QVERIFY(QFile::exists(path("out.csv")));
}

void TestConvertWorkflow::cancelWritesNothing()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    convert(window, std::nullopt);

    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), 2);
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files) == QStringList { "table.txt" });
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(),
        QStringLiteral("KALIDOR_Color_Database.csv"));
    QVERIFY(window.dialogs->messages.isEmpty());
    verifyConvertControlsShown(window);
}

void TestConvertWorkflow::failedSaveKeepsLabelAndOldFile()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    convert(window, path("good.csv"));

    // Append onto a file that cannot be read in full would lose its lines: refused.
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    const QByteArray unreadable = "\xEF\xBB\xBFKALIDOR \xC3\x28,1,2,3\r\n";
    writeBytes(path("bad.csv"), unreadable);
    convert(window, path("bad.csv"));
    // A path under a regular file cannot be written by anyone.
    convert(window, path("table.txt") + QStringLiteral("/out.csv"));

    QCOMPARE(window.dialogs->messages.size(), 2);
    for (const auto &message : window.dialogs->messages) {
        QCOMPARE(message.kind, MessageKind::Error);
        QCOMPARE(message.text, Messages::outputFileError());
    }
    // The details say which file and why.
    const QString badDetails = window.dialogs->messages.at(0).details;
    QVERIFY2(badDetails.contains(QDir::toNativeSeparators(path("bad.csv")))
            && badDetails.contains(QStringLiteral("Invalid UTF-8")),
        qPrintable(badDetails));
    const QString underFileDetails = window.dialogs->messages.at(1).details;
    QVERIFY2(underFileDetails.startsWith(
                 QDir::toNativeSeparators(path("table.txt") + QStringLiteral("/out.csv")))
            && underFileDetails.contains(QStringLiteral("could not be written")),
        qPrintable(underFileDetails));
    QCOMPARE(readBytes(path("bad.csv")), unreadable);
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(), path("good.csv"));
    verifyConvertControlsShown(window);
}

// A save that was stopped left a scratch file beside the database: the window's save names it
// and removes it, and says so once the records are saved.
void TestConvertWorkflow::saveTellsWhatItFoundBesideTheFile()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    writeBytes(path("db.csv"), "KALIDOR 1,1,2,3\r\n");
    writeBytes(path("db.csv.saving-x1y2z3"), "KALIDOR 1,1,2");
    convert(window, path("db.csv"));

    QCOMPARE(readBytes(path("db.csv")),
        "KALIDOR 1,1,2,3\r\nKALIDOR 100 C,92.5,-5.2,70.1\r\nKALIDOR 200, matt,50,60,20\r\n");
    QVERIFY(!QFile::exists(path("db.csv.saving-x1y2z3")));
    QCOMPARE(window.dialogs->messages.size(), 1);
    const auto &message = window.dialogs->messages.first();
    QCOMPARE(message.kind, MessageKind::Information);
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(path("db.csv.saving-x1y2z3")))
            && message.text.contains(QStringLiteral("was removed")),
        qPrintable(message.text));
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(), path("db.csv"));
}

// Another run holds the database for its save: the window does not wait long, and its output
// error says why.
void TestConvertWorkflow::saveWhileAnotherRunSavesFails()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, table);
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    writeBytes(path("db.csv"), "KALIDOR 1,1,2,3\r\n");
    {
        const DatabaseSave otherRun(path("db.csv"), true);
        convert(window, path("db.csv"));
    }

    QCOMPARE(readBytes(path("db.csv")), "KALIDOR 1,1,2,3\r\n");
    QCOMPARE(window.dialogs->messages.size(), 1);
    const auto &message = window.dialogs->messages.first();
    QCOMPARE(message.kind, MessageKind::Error);
    QCOMPARE(message.text, Messages::outputFileError());
    QVERIFY2(message.details.contains(QStringLiteral("another run is saving to it; try again")),
        qPrintable(message.details));
    verifyConvertControlsShown(window);
}

void TestConvertWorkflow::warnedRecordsAreMarked()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    // UTF-8 with its mark, so that the name beyond Windows-1252 reaches the window intact.
    openTable(window,
        "\xEF\xBB\xBFName\tL*\ta*\tb*\r\n"
        "KALIDOR Clean\t50\t1\t2\r\n"
        "KALIDOR \xC4\x80\t50\t1\t2\r\n"
        "KALIDOR Caf\xC3\xA9\t50\t1\t2\r\n"
        "KALIDOR Wide\t50\t200\t12,5\r\n");
    convert(window, path("out.csv"));

    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QVERIFY(records->markOf(0).isEmpty());
    QVERIFY2(
        records->markOf(1).contains(QStringLiteral("as \"?\"")), qPrintable(records->markOf(1)));
    QVERIFY(records->markOf(2).isEmpty());
    const QStringList reasons = records->markOf(3).split(u'\n');
    QCOMPARE(reasons.size(), 2);
    QVERIFY(reasons.at(0).startsWith(QStringLiteral("a* 200 is beyond")));
    QVERIFY(reasons.at(1).startsWith(QStringLiteral("b* \"12,5\" is not a plain decimal")));

    // The warnings are counted where the saved path stays in sight.
    const auto *warnings = window.child<QLabel>("labelDelvaneWarnings");
    const auto *saved = window.child<QLabel>("labelDelvaneColorFile");
    QVERIFY(warnings->isVisible());
    QVERIFY(warnings->text().contains(QStringLiteral("3 warnings")));
    QVERIFY(saved->isVisible());
    QVERIFY(!warnings->geometry().intersects(saved->geometry()));
    // The records are written as they stand, warnings or not.
    QCOMPARE(readBytes(path("out.csv")),
        QByteArray("KALIDOR Clean,50,1,2\r\nKALIDOR ?,50,1,2\r\nKALIDOR Caf\xE9,50,1,2\r\n"
                   "KALIDOR Wide,50,200,12,5\r\n"));

    // A failed save comes with the same marks.
    convert(window, path("table.txt") + QStringLiteral("/out.csv"));
    QCOMPARE(window.dialogs->messages.size(), 1);
    QCOMPARE(records->markOf(3).split(u'\n'), reasons);
    QVERIFY(warnings->isVisible());
    QVERIFY(warnings->text().contains(QStringLiteral("3 warnings")));

    // A clean table clears the marks and the count.
    openTable(window, "Name\tL*\ta*\tb*\r\nKALIDOR 1\t1\t2\t3\r\nKALIDOR 2\t1\t2\t3\r\n");
    convert(window, path("clean.csv"));
    QVERIFY(records->markOf(1).isEmpty());
    QVERIFY(!warnings->isVisible());
}

// A name or a path with control characters is saved as it stands; the marks, the labels and
// the message details show each control character as "\x1B" is.
void TestConvertWorkflow::controlCharactersAreShownVisibly()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(
        window, "Name\tL*\ta*\tb*\r\nKALIDOR \x1B[2J\t50\t1\t2\r\nKALIDOR \x1B[2J\t60\t1\t2\r\n");
    const QString saved = path("out\x1B]0;x\x07.csv");
    convert(window, saved);
    QCOMPARE(readBytes(saved), QByteArray("KALIDOR \x1B[2J,50,1,2\r\nKALIDOR \x1B[2J,60,1,2\r\n"));
    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QCOMPARE(records->markOf(0),
        QStringLiteral("the name holds the control character U+001B, which a terminal or the RIP "
                       "may act on instead of showing; it is written with it"));
    QCOMPARE(records->markOf(1).split(u'\n').first(),
        QStringLiteral("the name as written, \"KALIDOR \\x1B[2J\", is also that of line 2, so the "
                       "RIP matches only one of them"));
    QCOMPARE(window.child<QLabel>("labelDelvaneColorFile")->text(), path("out\\x1B]0;x\\x07.csv"));

    convert(window, path("table.txt") + QStringLiteral("/out\x07.csv"));
    QCOMPARE(window.dialogs->messages.size(), 1);
    const QString details = window.dialogs->messages.first().details;
    QVERIFY2(details.startsWith(
                 QDir::toNativeSeparators(path("table.txt") + QStringLiteral("/out\\x07.csv: "))),
        qPrintable(details));
    QVERIFY(!details.contains(QChar(0x07)));
}

// The first colour object inside another is warned of on the record of the one holding it.
void TestConvertWorkflow::nestedObjectIsMarked()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    const QByteArray lab = "<cc:ColorValues><cc:ColorCIELab><cc:L>50</cc:L><cc:A>1</cc:A>"
                           "<cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues>";
    openTable(window,
        "<?xml version=\"1.0\"?>\n<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n>"
        "<cc:Resources><cc:ObjectCollection>\n<cc:Object Name=\"KALIDOR 1\">"
            + lab + "</cc:Object>\n<cc:Object Name=\"KALIDOR 2\">" + lab
            + "\n<cc:Object Name=\"KALIDOR 3\">" + lab
            + "</cc:Object></cc:Object>\n</cc:ObjectCollection></cc:Resources></cc:CxF>\n");
    QCOMPARE(window.dialogs->messages.size(), 0);
    convert(window, path("out.csv"));
    QCOMPARE(readBytes(path("out.csv")), QByteArray("KALIDOR 1,50,1,2\r\nKALIDOR 2,50,1,2\r\n"));
    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QVERIFY(records->markOf(0).isEmpty());
    QCOMPARE(records->markOf(1),
        QStringLiteral("it holds colour object \"KALIDOR 3\" on line 6, which is passed over, as "
                       "is every colour object inside another"));
}

void TestConvertWorkflow::checkedForTheFileChosen()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, "\xEF\xBB\xBFName\tL*\ta*\tb*\r\nKALIDOR \xC4\x80\t50\t1\t2\r\n");
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");

    // The check starts for the file the dialog offers, a new one in the code page; a UTF-16
    // file chosen instead holds the name, so there is nothing to warn of.
    writeBytes(path("wide.csv"), QByteArray("\xFF\xFE", 2));
    convert(window, path("wide.csv"));
    QVERIFY2(records->markOf(0).isEmpty(), qPrintable(records->markOf(0)));
    const QString record = QStringLiteral("KALIDOR \u0100,50,1,2\r\n");
    QCOMPARE(readBytes(path("wide.csv")),
        QByteArray("\xFF\xFE")
            + QByteArray(reinterpret_cast<const char *>(record.utf16()), record.size() * 2));

    // Now the UTF-16 file is offered and a new file in the code page is chosen.
    convert(window, path("narrow.csv"));
    QVERIFY2(
        records->markOf(0).contains(QStringLiteral("as \"?\"")), qPrintable(records->markOf(0)));
    QCOMPARE(readBytes(path("narrow.csv")), QByteArray("KALIDOR ?,50,1,2\r\n"));
}

// A name that the database appended to holds already is marked and counted with the others;
// without append, nothing is held.
void TestConvertWorkflow::heldNamesAreMarkedWhenAppending()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    openTable(window, "Name\tL*\ta*\tb*\r\nKALIDOR A\t50\t1\t2\r\nKALIDOR B\t60\t1\t2\r\n");
    auto *append = window.child<QCheckBox>("CheckBoxAppend");
    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    const auto *warnings = window.child<QLabel>("labelDelvaneWarnings");
    const QByteArray database = "KALIDOR a,50,1,2\r\nKALIDOR B,60,1,2\r\nKALIDOR B,9,9,9\r\n";

    append->setChecked(true);
    writeBytes(path("held.csv"), database);
    convert(window, path("held.csv"));
    QVERIFY2(records->markOf(0).isEmpty(), qPrintable(records->markOf(0)));
    QCOMPARE(records->markOf(1),
        QStringLiteral("the database already holds this name on lines 2 (60,1,2) and 3 (9,9,9), "
                       "so the RIP matches only one of them; \u0394E2000 to the new values 0.00"));
    QVERIFY(warnings->isVisible());
    QCOMPARE(warnings->text(), QStringLiteral("\u26A0 1 warning"));
    QCOMPARE(readBytes(path("held.csv")), database + "KALIDOR A,50,1,2\r\nKALIDOR B,60,1,2\r\n");

    append->setChecked(false);
    writeBytes(path("held.csv"), database);
    convert(window, path("held.csv"));
    QVERIFY2(records->markOf(1).isEmpty(), qPrintable(records->markOf(1)));
    QVERIFY(!warnings->isVisible());
}

void TestConvertWorkflow::cxf3RecordsFollowTheFormAndFileChosen_data()
{
    QTest::addColumn<bool>("csvWhenOpened");
    QTest::addColumn<bool>("csvWhenConverted");
    // Empty for a new file; otherwise the records are appended to a file of these bytes.
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<bool>("nameWarned");

    const QByteArray csv = "KALIDOR ?,50,1,2\r\nKALIDOR B,104,0,0\r\n";
    const QByteArray legacy = "SPOTCOLOR_NAME:KALIDOR ?; D50_LAB:50,1,2\r\n"
                              "SPOTCOLOR_NAME:KALIDOR B; D50_LAB:104,0,0\r\n";
    QTest::newRow("the form and file offered") << true << true << QByteArray() << csv << true;
    QTest::newRow("legacy from the start") << false << false << QByteArray() << legacy << true;
    QTest::newRow("legacy chosen after opening") << true << false << QByteArray() << legacy << true;
    QTest::newRow("CSV chosen after opening") << false << true << QByteArray() << csv << true;
    QTest::newRow("a UTF-16 file chosen") << true << true << QByteArray("\xFF\xFE", 2)
                                          << QByteArray("\xFF\xFE", 2)
            + utf16le(QStringLiteral("KALIDOR \u0100,50,1,2\r\nKALIDOR B,104,0,0\r\n"))
                                          << false;
}

// A CxF3 file's records are made while it is opened, in the form a conversion would take then;
// what is built, checked and saved follows what the operator chooses afterwards.
void TestConvertWorkflow::cxf3RecordsFollowTheFormAndFileChosen()
{
    QFETCH(bool, csvWhenOpened);
    QFETCH(bool, csvWhenConverted);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, saved);
    QFETCH(bool, nameWarned);

    WindowFixture window;
    QVERIFY(window.exposed);
    auto *csv = window.child<QCheckBox>("CheckBoxCSV");
    csv->setChecked(csvWhenOpened);
    writeBytes(path("library.cxf"), library);
    window.dialogs->openAnswers.append(path("library.cxf"));
    window.press("btnOpenKalidorFile");
    QCOMPARE(window.lines("memoKalidor").size(), 3);

    csv->setChecked(csvWhenConverted);
    if (!existing.isEmpty()) {
        writeBytes(path("out.csv"), existing);
        window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    }
    convert(window, path("out.csv"));

    QVERIFY(window.dialogs->messages.isEmpty());
    QCOMPARE(readBytes(path("out.csv")), saved);
    const auto *records = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QCOMPARE(records->markOf(0).contains(QStringLiteral("as \"?\"")), nameWarned);
    QVERIFY2(records->markOf(1).contains(QStringLiteral("L* 104")), qPrintable(records->markOf(1)));
}

void TestConvertWorkflow::secondPressWhileConvertingIsIgnored()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    QByteArray big = "Name\tL*\ta*\tb*\n";
    for (int i = 0; i < 200; ++i)
        big += "KALIDOR " + QByteArray::number(i) + "\t1\t2\t3\n";
    openTable(window, big);
    window.dialogs->saveAnswers = { path("a.csv"), path("b.csv") };

    bool firstReturned = false;
    bool pressedDuringRun = false;
    QTimer::singleShot(0, [&] {
        pressedDuringRun = !firstReturned;
        window.press("buttonConvertDelvane");
    });
    window.press("buttonConvertDelvane");
    firstReturned = true;

    QVERIFY(pressedDuringRun);
    QCOMPARE(window.dialogs->offeredSaveNames.size(), 1);
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), 200);
}

// The file holds exactly the records the output view shows when the save starts, also when
// the operator has edited them while they were being built.
void TestConvertWorkflow::editDuringTheLoopIsSaved()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    QStringList records;
    openTable(window, namedRowsTable(records));
    // A UTF-8 database holds the separator, so it is saved as the character it is.
    window.child<QCheckBox>("CheckBoxAppend")->setChecked(true);
    writeBytes(path("db.csv"), "\xEF\xBB\xBF");
    auto *output = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    convertCalling(window, path("db.csv"), [&] { QTest::keyClick(output, Qt::Key_Z); });

    records.first().prepend(u'z');
    QCOMPARE(window.lines("memoDelvaneSpecialColors"), shownLines(records));
    QCOMPARE(readBytes(path("db.csv")),
        "\xEF\xBB\xBF" + (records.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    QVERIFY(window.dialogs->messages.isEmpty());

    // An edited record is saved as the view shows it, stand-in and all; a line typed in is a
    // record, and the record it pushed down stays whole.
    convertCalling(window, path("db.csv"), [&] {
        QTest::keyClick(output, Qt::Key_Down);
        QTest::keyClick(output, Qt::Key_Down);
        QTest::keyClick(output, Qt::Key_End);
        QTest::keyClick(output, Qt::Key_Y);
        QPlainTextEdit *text = output->textView();
        QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(text, QStringLiteral("KALIDOR New,1,2,3"));
        QTest::keyClick(text, Qt::Key_Return);
    });
    QStringList edited = records;
    edited.first().remove(0, 1);
    edited[2] = QStringLiteral("KALIDOR A2\u00B6,50,1,2y");
    edited.prepend(QStringLiteral("KALIDOR New,1,2,3"));
    QCOMPARE(readBytes(path("db.csv")),
        "\xEF\xBB\xBF" + (records.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8()
            + (edited.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

// The run converts the table as it stood when Convert was pressed: a table opened meanwhile
// is shown, but none of its rows reach the records or the file.
void TestConvertWorkflow::tableOpenedDuringTheLoopLeavesTheRunAlone()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    QStringList records;
    openTable(window, namedRowsTable(records));
    writeBytes(path("other.txt"), "Name\tL*\ta*\tb*\r\nKALIDOR B\t9\t9\t9\r\n");
    convertCalling(window, path("out.csv"), [&] {
        window.dialogs->openAnswers.append(path("other.txt"));
        window.press("btnOpenKalidorFile");
    });

    QCOMPARE(
        window.lines("memoKalidor"), QStringList({ "Name\tL*\ta*\tb*", "KALIDOR B\t9\t9\t9" }));
    QCOMPARE(window.lines("memoDelvaneSpecialColors"), shownLines(records));
    records.replaceInStrings(QStringLiteral("\u2029"), QStringLiteral("?"));
    QCOMPARE(
        readBytes(path("out.csv")), (records.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());
}

QTEST_MAIN(TestConvertWorkflow)
#include "tst_convertworkflow.moc"
