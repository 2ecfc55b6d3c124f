#include "ui/fileatstart.h"
#include "windowfixture.h"

#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <sys/inotify.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray textTable = "# exported colours\r\n"
                             "Name\tL*\ta*\tb*\r\n"
                             "KALIDOR 100 C\t92.5\t-5.2\t70.1\r\n";

QByteArray cxf3File(int objects, const QByteArray &rootEnd = "\n")
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\""
        + rootEnd + "><cc:Resources><cc:ObjectCollection>\n";
    for (int i = 1; i <= objects; ++i)
        xml += "<cc:Object Name=\"KALIDOR " + QByteArray::number(i)
            + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>" + QByteArray::number(i)
            + "</cc:L><cc:A>-1</cc:A><cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues>"
              "</cc:Object>\n";
    return xml + "</cc:ObjectCollection></cc:Resources></cc:CxF>\n";
}

// Everything of the window that an opening sets, in one comparable list.
QStringList openingState(const WindowFixture &window)
{
    auto *tabs = window.child<QTabWidget>("TabControl1");
    auto *label = window.child<QLabel>("labelKalidorFileName");
    QStringList state { window.lines("memoKalidor").join(u'\n'), label->text(),
        label->isVisibleTo(tabs->widget(0)) ? u"label shown"_s : u"label hidden"_s,
        window.child<QLabel>("labelRealKalidorFileName")->text(),
        tabs->isTabEnabled(1) ? u"tab enabled"_s : u"tab disabled"_s,
        tabs->tabBar()->tabTextColor(1).name(),
        window.child<QPushButton>("buttonConvertDelvane")->isEnabledTo(tabs->widget(1))
            ? u"convert enabled"_s
            : u"convert disabled"_s,
        window.child<QWidget>("RectangleProgress")->isVisible() ? u"progress shown"_s
                                                                : u"progress hidden"_s };
    for (const ScriptedDialogs::Message &message : window.dialogs->messages)
        state << message.text;
    return state;
}

// A drag over the view named `view`, handed to the window as the platform hands it: through its
// QWindow, which passes the events on to the widget under the pointer that takes drops.
class Drag {
public:
    Drag(const WindowFixture &window, const QList<QUrl> &urls, const char *view = "memoKalidor")
        : m_window(window.form->windowHandle())
        , m_point(window.child<QWidget>(view)->mapTo(window.form.get(), QPoint(40, 40)))
    {
        m_data.setUrls(urls);
    }

    // Each tells whether the window takes the drag (the pointer shows it may be dropped) or,
    // for drop(), the drop.
    bool enter() { return send<QDragEnterEvent>(); }
    bool move() { return send<QDragMoveEvent>(); }
    bool drop() { return send<QDropEvent>(); }
    void leave()
    {
        QDragLeaveEvent event;
        QCoreApplication::sendEvent(m_window, &event);
    }

private:
    template<class Event> bool send()
    {
        Event event(m_point, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &m_data,
            Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_window, &event);
        return event.isAccepted();
    }

    QWindow *m_window;
    QPoint m_point;
    QMimeData m_data;
};

struct DragOutcome {
    bool entered = false;
    bool dropped = false;
};

// Drags `urls` over the view named `view` and drops them there if the window takes them.
DragOutcome dragAndDrop(
    const WindowFixture &window, const QList<QUrl> &urls, const char *view = "memoKalidor")
{
    Drag drag(window, urls, view);
    if (!drag.enter()) {
        drag.leave();
        return {};
    }
    return { true, drag.drop() };
}

// Whether any program has opened a file since the watch began, as the kernel reports it.
class FileOpenWatch {
public:
    explicit FileOpenWatch(const QString &file)
        : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_descriptor < 0
            || inotify_add_watch(m_descriptor, QFile::encodeName(file).constData(), IN_OPEN) < 0)
            qFatal("cannot watch %s", qPrintable(file));
    }
    ~FileOpenWatch() { ::close(m_descriptor); }
    FileOpenWatch(const FileOpenWatch &) = delete;
    FileOpenWatch &operator=(const FileOpenWatch &) = delete;

    bool opened()
    {
        alignas(inotify_event) char events[4096];
        m_opened = m_opened || ::read(m_descriptor, events, sizeof events) > 0;
        return m_opened;
    }

private:
    int m_descriptor;
    bool m_opened = false;
};

} // namespace

class TestHandedOverFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void handedOverFileOpensAsIfChosen_data();
    void handedOverFileOpensAsIfChosen();
    void dragRefused_data();
    void dragRefused();
    void dropDuringReadIsIgnored();
    void fileNamedAtStart();
    void programOpensTheFileNamedAtStart();
    void fileAtStartArguments_data();
    void fileAtStartArguments();
    void wrongUsageEndsTheProgram_data();
    void wrongUsageEndsTheProgram();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void TestHandedOverFile::init()
{
    QVERIFY(m_dir.isValid());
    writeBytes(path(u"first.txt"_s), textTable);
}

void TestHandedOverFile::handedOverFileOpensAsIfChosen_data()
{
    QTest::addColumn<QString>("name");
    // Nothing: the file is gone by the time it is dropped.
    QTest::addColumn<QByteArray>("bytes");
    // Where it is dropped: the table view, or the records view on the second page, which takes
    // dropped text otherwise. Nothing: it is named at start instead.
    QTest::addColumn<QByteArray>("view");

    const QByteArray tableView = "memoKalidor";
    QTest::newRow("text table") << u"table.txt"_s << textTable << tableView;
    QTest::newRow("CxF3 file") << u"colours.cxf"_s << cxf3File(3) << tableView;
    QTest::newRow("CxF3 root start tag with more on its line")
        << u"other.cxf"_s
        << cxf3File(3, R"( xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance")") << tableView;
    QTest::newRow("invalid UTF-8 after a mark")
        << u"bad.txt"_s << QByteArray("\xEF\xBB\xBFName\tL*\ta*\tb*\r\nKALIDOR \xC3\x28\r\n")
        << tableView;
    QTest::newRow("file gone") << u"gone.txt"_s << QByteArray() << tableView;
    QTest::newRow("CxF3 file on the records view")
        << u"colours.cxf"_s << cxf3File(3) << QByteArray("memoDelvaneSpecialColors");
    QTest::newRow("text table named at start") << u"table.txt"_s << textTable << QByteArray();
    QTest::newRow("CxF3 file named at start") << u"colours.cxf"_s << cxf3File(3) << QByteArray();
}

// One window opens the file with the dialog, the other has it handed over; both had a table
// before, and both go through the same states, so the file is opened once. The opening waits
// for the window's events: a drag's source waits for its drop to end.
void TestHandedOverFile::handedOverFileOpensAsIfChosen()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, view);
    if (!bytes.isEmpty())
        writeBytes(path(name), bytes);

    WindowFixture chosen;
    WindowFixture handedOver;
    QVERIFY(chosen.exposed && handedOver.exposed);
    for (WindowFixture *window : { &chosen, &handedOver }) {
        window->dialogs->openAnswers = { path(u"first.txt"_s) };
        window->press("btnOpenKalidorFile");
    }
    QList<QStringList> chosenStates { openingState(chosen) };
    {
        const EventSampler sampler([&] { appendChange(chosenStates, openingState(chosen)); });
        chosen.dialogs->openAnswers = { path(name) };
        chosen.press("btnOpenKalidorFile");
    }
    appendChange(chosenStates, openingState(chosen));

    if (!view.isEmpty()) {
        auto *target = handedOver.child<QWidget>(view.constData());
        handedOver.child<QTabWidget>("TabControl1")->setCurrentWidget(target->parentWidget());
    }
    QList<QStringList> states { openingState(handedOver) };
    const EventSampler sampler([&] { appendChange(states, openingState(handedOver)); });
    if (view.isEmpty()) {
        handedOver.form->openKalidorFile(path(name));
    } else {
        const DragOutcome outcome
            = dragAndDrop(handedOver, { QUrl::fromLocalFile(path(name)) }, view.constData());
        QVERIFY(outcome.entered);
        QVERIFY(outcome.dropped);
    }
    QCOMPARE(openingState(handedOver), states.first());
    QTRY_COMPARE(openingState(handedOver), openingState(chosen));
    appendChange(states, openingState(handedOver));
    QCOMPARE(states, chosenStates);
    QCOMPARE(handedOver.dialogs->openDialogRuns, 1);
}

void TestHandedOverFile::dragRefused_data()
{
    QTest::addColumn<QList<QUrl>>("urls");

    writeBytes(path(u"second.txt"_s), textTable);
    QTest::newRow("two files") << QList<QUrl> { QUrl::fromLocalFile(path(u"first.txt"_s)),
        QUrl::fromLocalFile(path(u"second.txt"_s)) };
    QTest::newRow("a folder") << QList<QUrl> { QUrl::fromLocalFile(m_dir.path()) };
    QTest::newRow("a web address") << QList<QUrl> { QUrl(u"https://example.com/table.txt"_s) };
    QTest::newRow("no file, only text") << QList<QUrl>();
}

// A refused drag shows the refusing cursor and nothing else: no dialog, no message, and the
// table already open stays.
void TestHandedOverFile::dragRefused()
{
    QFETCH(QList<QUrl>, urls);

    WindowFixture window;
    QVERIFY(window.exposed);
    window.dialogs->openAnswers = { path(u"first.txt"_s) };
    window.press("btnOpenKalidorFile");
    const QStringList before = openingState(window);

    QVERIFY(!dragAndDrop(window, urls).entered);
    QTest::qWait(10);
    QCOMPARE(openingState(window), before);
    QCOMPARE(window.dialogs->openDialogRuns, 1);
}

void TestHandedOverFile::dropDuringReadIsIgnored()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    writeBytes(path(u"colours.cxf"_s), cxf3File(100));
    window.dialogs->openAnswers = { path(u"colours.cxf"_s) };
    const QList<QUrl> table { QUrl::fromLocalFile(path(u"first.txt"_s)) };

    // A drag that came in before the read goes on during it; another one starts then.
    Drag early(window, table);
    QVERIFY(early.enter());
    bool reading = false;
    DragOutcome late { true, true };
    bool earlyMoved = true;
    bool earlyDropped = true;
    // Fires once the file is chosen, while the reader lets events run.
    window.dialogs->onOpenDialog = [&] {
        QTimer::singleShot(0, [&] {
            reading = window.child<QWidget>("RectangleProgress")->isVisible();
            earlyMoved = early.move();
            earlyDropped = early.drop();
            late = dragAndDrop(window, table);
        });
    };
    window.press("btnOpenKalidorFile");
    QTest::qWait(10);

    QVERIFY(reading);
    QVERIFY(!earlyMoved);
    QVERIFY(!earlyDropped);
    QVERIFY(!late.entered);
    QCOMPARE(window.lines("memoKalidor").size(), 101);
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), u"colours.cxf"_s);
}

void TestHandedOverFile::fileNamedAtStart()
{
    WindowFixture window;
    QVERIFY(window.exposed);
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const std::optional<QString> file
        = fileToOpenAtStart({ u"kalidor-to-delvane"_s, u"first.txt"_s });
    QCOMPARE(file, u"first.txt"_s);

    window.form->openKalidorFile(*file);
    QTRY_COMPARE(window.lines("memoKalidor"),
        QStringList(
            { "# exported colours", "Name\tL*\ta*\tb*", "KALIDOR 100 C\t92.5\t-5.2\t70.1" }));
    // As the dialog would give it: the full path.
    QCOMPARE(window.child<QLabel>("labelRealKalidorFileName")->text(), path(u"first.txt"_s));
    QCOMPARE(window.child<QLabel>("labelKalidorFileName")->text(), u"first.txt"_s);
    QVERIFY(window.child<QTabWidget>("TabControl1")->isTabEnabled(1));
    QCOMPARE(window.dialogs->openDialogRuns, 0);
}

// The program itself hands the file named at start to its window, which opens it.
void TestHandedOverFile::programOpensTheFileNamedAtStart()
{
    FileOpenWatch watch(path(u"first.txt"_s));
    QProcess program;
    program.start(QStringLiteral(KALIDOR_TO_DELVANE), { path(u"first.txt"_s) });
    QVERIFY(program.waitForStarted());
    const bool opened = QTest::qWaitFor([&] { return watch.opened(); }, 60000);
    program.kill();
    program.waitForFinished();
    QVERIFY(opened);
}

void TestHandedOverFile::fileAtStartArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<std::optional<QString>>("file");

    QTest::newRow("none") << QStringList() << std::optional<QString>();
    QTest::newRow("one file") << QStringList { u"/tmp/table.txt"_s }
                              << std::optional<QString>(u"/tmp/table.txt"_s);
    QTest::newRow("a name like an option, after --")
        << QStringList { u"--"_s, u"-table.txt"_s } << std::optional<QString>(u"-table.txt"_s);
}

void TestHandedOverFile::fileAtStartArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(std::optional<QString>, file);
    QCOMPARE(fileToOpenAtStart(QStringList { u"kalidor-to-delvane"_s } + arguments), file);
}

void TestHandedOverFile::wrongUsageEndsTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("two files") << QStringList { u"a.txt"_s, u"b.txt"_s }
                               << u"kalidor-to-delvane: one FILE at most, 2 given. See "
                                  "kalidor-to-delvane --help.\n"_s;
    QTest::newRow("unknown option") << QStringList { u"--csv"_s, u"a.txt"_s }
                                    << u"kalidor-to-delvane: Unknown option 'csv'.\n"_s;
}

// Before any window opens, the program itself says what is wrong and ends.
void TestHandedOverFile::wrongUsageEndsTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QProcess program;
    program.start(QStringLiteral(KALIDOR_TO_DELVANE), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(QString::fromLocal8Bit(program.readAllStandardError()).endsWith(message),
        qPrintable(message));
}

QTEST_MAIN(TestHandedOverFile)
#include "tst_handedoverfile.moc"
