#include "ui/messages.h"
#include "ui/progressindicator.h"
#include "ui/readonlylinesview.h"
#include "windowfixture.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QByteArray textTable = "# exported colours\r\n"
                             "# second comment\r\n"
                             "Name\tL*\ta*\tb*\r\n"
                             "KALIDOR 100 C\t92.5\t-5.2\t70.1\r\n"
                             "KALIDOR 200 C\t50\t\xA0"
                             "60\t20\r\n";

QByteArray cxf3File(int objects, bool lastMissesL = false)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
                     " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                     "<cc:Resources><cc:ObjectCollection>\n";
    for (int i = 1; i <= objects; ++i) {
        const bool withL = !(lastMissesL && i == objects);
        xml += "<cc:Object Name=\"KALIDOR " + QByteArray::number(i)
            + "\"><cc:ColorValues><cc:ColorCIELab>"
            + (withL ? "<cc:L>" + QByteArray::number(i) + ".5</cc:L>" : QByteArray())
            + "<cc:A>-1</cc:A><cc:B> 2 </cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
    }
    return xml + "</cc:ObjectCollection></cc:Resources></cc:CxF>\n";
}

// The button's own state: a disabled tab page disables it only for as long as the page is.
bool convertEnabled(const WindowFixture &window)
{
    return window.child<QPushButton>("buttonConvertDelvane")
        ->isEnabledTo(window.child<QWidget>("TabItem2"));
}

} // namespace

class TestOpenWorkflow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void textTableIsShownUnchanged();
    void cxf3FileBecomesTableLines();
    void progressCoversTheFileNameWhileReading_data();
    void progressCoversTheFileNameWhileReading();
    void rowsAppearWhileReading();
    void colourRowsShowTheirSwatch();
    void notRecognisedFileEndsWithoutMessage_data();
    void notRecognisedFileEndsWithoutMessage();
    void unreadableFileShowsInputError_data();
    void unreadableFileShowsInputError();
    void cancelAfterSuccessEmptiesView();
    void secondFileReplacesFirst();
    void secondPressWhileReadingCxf3IsIgnored();

private:
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    void open(WindowFixture &window, const QString &file) const;
    void verifyTableUnavailable(WindowFixture &window) const;

    QTemporaryDir m_dir;
};

void TestOpenWorkflow::init()
{
    QVERIFY(m_dir.isValid());
}

void TestOpenWorkflow::open(WindowFixture &window, const QString &file) const
{
    window.dialogs->openAnswers.append(file);
    window.press("btnOpenKalidorFile");
}

void TestOpenWorkflow::verifyTableUnavailable(WindowFixture &window) const
{
    auto *tabs = window.child<QTabWidget>("TabControl1");
    QVERIFY(window.lines("memoKalidor").isEmpty());
    QVERIFY(!tabs->isTabEnabled(1));
    QCOMPARE(tabs->tabBar()->tabTextColor(1), QColor(0xFF696969));
    QVERIFY(!window.child<QWidget>("RectangleProgress")->isVisible());
}

void TestOpenWorkflow::textTableIsShownUnchanged()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("table.txt"), textTable);
    open(window, path("table.txt"));

    QCOMPARE(window.lines("memoKalidor"),
        QStringList({ "# exported colours", "# second comment", "Name\tL*\ta*\tb*",
            "KALIDOR 100 C\t92.5\t-5.2\t70.1",
            QStringLiteral("KALIDOR 200 C\t50\t\u00A060\t20") }));
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QStringLiteral("table.txt"));
    QVERIFY(window.child<QLabel>("labelKalidorFileName")->isVisible());
    QCOMPARE(window.child<QLabel>("labelRealKalidorFileName")->text(), path("table.txt"));
    auto *tabs = window.child<QTabWidget>("TabControl1");
    QVERIFY(tabs->isTabEnabled(1));
    QCOMPARE(tabs->tabBar()->tabTextColor(1), QColor(0xFF228B22));
    QVERIFY(convertEnabled(window));
    QVERIFY(!window.child<QWidget>("RectangleProgress")->isVisible());
    QVERIFY(window.dialogs->messages.isEmpty());
}

void TestOpenWorkflow::cxf3FileBecomesTableLines()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("colours.cxf"), cxf3File(3));
    open(window, path("colours.cxf"));

    QCOMPARE(window.lines("memoKalidor"),
        QStringList({ "Name\tL*\ta*\tb*", "KALIDOR 1\t1.5\t-1\t2", "KALIDOR 2\t2.5\t-1\t2",
            "KALIDOR 3\t3.5\t-1\t2" }));
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QStringLiteral("colours.cxf"));
    QVERIFY(window.child<QLabel>("labelKalidorFileName")->isVisible());
    QVERIFY(window.child<QTabWidget>("TabControl1")->isTabEnabled(1));
    QVERIFY(convertEnabled(window));
    QVERIFY(!window.child<QWidget>("RectangleProgress")->isVisible());
    QVERIFY(window.dialogs->messages.isEmpty());

    // The same file again reads the same lines: nothing is left over from the first read.
    open(window, path("colours.cxf"));
    QCOMPARE(window.lines("memoKalidor").size(), 4);
}

void TestOpenWorkflow::progressCoversTheFileNameWhileReading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    // The indicator's widths while events run, in order, and its width when the opening ends.
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("widthAfter");

    // A text table is loaded without letting events run: the indicator is never seen, and
    // keeps the width it had.
    QTest::newRow("text table") << textTable << "table.txt" << QList<int> {} << 400;
    QTest::newRow("3 objects: one update, after the second")
        << cxf3File(3) << "three.cxf" << QList<int> { 0, 133 } << 0;
    QList<int> widths { 0 };
    for (int object = 2; object <= 20; ++object)
        widths.append(object * ProgressIndicator::fullWidth / 21);
    QTest::newRow("21 objects: updates after objects 2 to 20")
        << cxf3File(21) << "many.cxf" << widths << 0;
}

void TestOpenWorkflow::progressCoversTheFileNameWhileReading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QList<int>, widths);
    QFETCH(int, widthAfter);

    WindowFixture window;
    QVERIFY(window.exposed);
    const QString file = m_dir.filePath(name);
    writeBytes(file, bytes);
    auto *progress = window.child<ProgressIndicator>("RectangleProgress");
    auto *label = window.child<QLabel>("labelKalidorFileName");
    // Something drawn over the indicator, so that only bringing it to the front uncovers it.
    window.child<QWidget>("TabControl1")->raise();
    const auto lastDrawn = [&] {
        QWidget *last = nullptr;
        for (QObject *child : window.form->children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (widget && !widget->isWindow())
                last = widget;
        }
        return last;
    };

    QList<int> widthsShown;
    bool labelShownUnderProgress = false;
    bool progressCovered = false;
    {
        const EventSampler sampler([&] {
            if (!progress->isVisible())
                return;
            appendChange(widthsShown, progress->width());
            labelShownUnderProgress = labelShownUnderProgress || label->isVisible();
            progressCovered = progressCovered || lastDrawn() != progress;
        });
        open(window, file);
    }

    QCOMPARE(widthsShown, widths);
    QVERIFY(!labelShownUnderProgress);
    QVERIFY(!progressCovered);
    QVERIFY(!progress->isVisible());
    QCOMPARE(progress->width(), widthAfter);
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), name);
}

void TestOpenWorkflow::rowsAppearWhileReading()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    const QString file = m_dir.filePath(QStringLiteral("many.cxf"));
    // More rows than the view has room for, so that the scroll bar gets a range.
    writeBytes(file, cxf3File(60));
    auto *progress = window.child<ProgressIndicator>("RectangleProgress");
    auto *view = window.child<ReadOnlyLinesView>("memoKalidor");

    QList<qsizetype> countsShown;
    bool scrollRangeBehind = false;
    {
        const EventSampler sampler([&] {
            if (!progress->isVisible())
                return;
            appendChange(countsShown, view->lineCount());
            const QScrollBar *bar = view->verticalScrollBar();
            scrollRangeBehind = scrollRangeBehind
                || (view->lineCount() > 0 && bar->maximum() + bar->pageStep() != view->lineCount());
        });
        open(window, file);
    }

    // The header and the rows come a few at a time, each time with a scroll range that holds
    // them all.
    QVERIFY2(countsShown.size() > 2, qPrintable(QString::number(countsShown.size())));
    QVERIFY(std::is_sorted(countsShown.cbegin(), countsShown.cend()));
    QVERIFY(countsShown.last() <= 61);
    QVERIFY(!scrollRangeBehind);
    QCOMPARE(view->lineCount(), 61);
    QVERIFY(view->verticalScrollBar()->maximum() > 0);
}

void TestOpenWorkflow::colourRowsShowTheirSwatch()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("swatches.txt"),
        "Name\tL*\ta*\tb*\r\n"
        "KALIDOR Red\t54.29\t80.81\t69.89\r\n"
        "KALIDOR Neon\t90\t-100\t0\r\n"
        "Paper\t95\t0\t-2\r\n");
    open(window, path("swatches.txt"));

    const auto *swatches
        = window.child<ReadOnlyLinesView>("memoKalidor")->findChild<SwatchMargin *>();
    QVERIFY(!swatches->swatchOf(0));
    const QColor red = swatches->swatchOf(1)->colour;
    QVERIFY2(red.red() >= 254 && red.green() <= 1 && red.blue() <= 1, qPrintable(red.name()));
    QVERIFY(!swatches->swatchOf(1)->outOfGamut);
    QVERIFY(swatches->swatchOf(2)->outOfGamut);
    QVERIFY(!swatches->swatchOf(3));
}

void TestOpenWorkflow::notRecognisedFileEndsWithoutMessage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");

    QTest::newRow("plain text") << QByteArray("just some notes\n") << true;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("root start tag on one line with further attributes")
        << QByteArray("<?xml version=\"1.0\"?>\n<cc:CxF "
                      "xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\" a=\"b\">\n</cc:CxF>\n")
        << true;
    QTest::newRow("path that names no file") << QByteArray() << false;
}

void TestOpenWorkflow::notRecognisedFileEndsWithoutMessage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);

    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("table.txt"), textTable);
    open(window, path("table.txt"));

    if (exists)
        writeBytes(path("other.txt"), bytes);
    open(window, path("other.txt"));

    verifyTableUnavailable(window);
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QString());
    QVERIFY(window.child<QLabel>("labelKalidorFileName")->isVisible());
    // The last recognised file and the convert button are left as they were.
    QCOMPARE(window.child<QLabel>("labelRealKalidorFileName")->text(), path("table.txt"));
    QVERIFY(convertEnabled(window));
    QVERIFY(window.dialogs->messages.isEmpty());
}

void TestOpenWorkflow::unreadableFileShowsInputError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    // What the message's details say after the file's path.
    QTest::addColumn<QString>("reason");

    QTest::newRow("invalid UTF-8 after a mark")
        << QByteArray("\xEF\xBB\xBFName\tL*\ta*\tb*\r\nKALIDOR \xC3\x28\r\n") << "bad.txt"
        << "line 2: Invalid UTF-8 sequence at byte offset 26 (0x1a)";
    QTest::newRow("CxF3 object without L")
        << cxf3File(3, true) << "bad.cxf"
        << "line 7: colour object \"KALIDOR 3\": no L in its first "
           "ColorCIELab";
    QTest::newRow("CxF3 object with a spectrum instead of Lab")
        << cxf3File(2).replace("<cc:ColorCIELab><cc:L>2.5</cc:L><cc:A>-1</cc:A><cc:B> 2 "
                               "</cc:B></cc:ColorCIELab>",
               "<cc:ReflectanceSpectrum StartWL=\"400\">0.1 0.2 0.3</cc:ReflectanceSpectrum>")
        << "spectral.cxf"
        << "line 6: colour object \"KALIDOR 2\": no ColorCIELab in its first ColorValues; "
           "kalidor-convert --d50 computes its L, A and B values from its ReflectanceSpectrum";
    QTest::newRow("CxF3 file that is not well-formed") << QByteArray(
        "<?xml version=\"1.0\"?>\n"
        "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
        "><cc:Resources>\n") << "broken.cxf"
                                                       << "line 4, column 1: no element found";
}

void TestOpenWorkflow::unreadableFileShowsInputError()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, reason);

    WindowFixture window;
    QVERIFY(window.exposed);
    const QString file = m_dir.filePath(name);
    writeBytes(file, bytes);
    open(window, file);

    verifyTableUnavailable(window);
    QCOMPARE(window.dialogs->messages.size(), 1);
    QCOMPARE(window.dialogs->messages.first().kind, MessageKind::Information);
    QCOMPARE(window.dialogs->messages.first().text, Messages::inputFileError());
    QCOMPARE(window.dialogs->messages.first().details,
        QDir::toNativeSeparators(file) + QStringLiteral(": ") + reason);
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QString());
    QVERIFY(window.child<QLabel>("labelKalidorFileName")->isVisible());
    QCOMPARE(window.child<QLabel>("labelRealKalidorFileName")->text(),
        QStringLiteral("labelRealKalidorFileName"));
    QVERIFY(!convertEnabled(window));
}

void TestOpenWorkflow::cancelAfterSuccessEmptiesView()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("table.txt"), textTable);
    open(window, path("table.txt"));

    window.dialogs->openAnswers.append(std::nullopt);
    window.press("btnOpenKalidorFile");

    verifyTableUnavailable(window);
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QStringLiteral("table.txt"));
    QVERIFY(convertEnabled(window));
    QVERIFY(window.dialogs->messages.isEmpty());
}

void TestOpenWorkflow::secondFileReplacesFirst()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("colours.cxf"), cxf3File(2));
    writeBytes(path("table.txt"), textTable);
    open(window, path("colours.cxf"));
    open(window, path("table.txt"));

    QCOMPARE(window.lines("memoKalidor").size(), 5);
    QCOMPARE(window.lines("memoKalidor").first(), QStringLiteral("# exported colours"));
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), QStringLiteral("table.txt"));
}

void TestOpenWorkflow::secondPressWhileReadingCxf3IsIgnored()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path("colours.cxf"), cxf3File(100));
    window.dialogs->openAnswers.append(path("colours.cxf"));
    window.dialogs->openAnswers.append(path("colours.cxf"));

    // Fires once the file is chosen, while the reader lets events run.
    bool pressedDuringRead = false;
    window.dialogs->onOpenDialog = [&] {
        window.dialogs->onOpenDialog = nullptr;
        QTimer::singleShot(0, [&] {
            pressedDuringRead = window.child<QWidget>("RectangleProgress")->isVisible();
            window.press("btnOpenKalidorFile");
        });
    };
    window.press("btnOpenKalidorFile");

    QVERIFY(pressedDuringRead);
    QCOMPARE(window.dialogs->openDialogRuns, 1);
    QCOMPARE(window.lines("memoKalidor").size(), 101);
}

QTEST_MAIN(TestOpenWorkflow)
#include "tst_openworkflow.moc"
