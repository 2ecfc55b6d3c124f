#include "cli/converter.h"
#include "scripteddialogs.h"
#include "syntheticlibrary.h"
#include "ui/editablelinesview.h"
#include "ui/kalidorapplication.h"
#include "ui/keepalive.h"
#include "ui/unitKalidorTabbed.h"

#include <QAbstractScrollArea>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sys/resource.h>

// Open + convert + save in the real window, with the file dialogs answering at once, beside
// the converter's runs on the same file in the same process; between opening and converting,
// the table view is scrolled through, timed on its own, and at the end the operator's first
// edit of the records is timed, also on its own.
// Without arguments it runs each library in a process of its own, so that each peak memory
// figure is that library's alone; with "cxf COLOURS" or "txt COLOURS" it runs one.
namespace {

using SyntheticLibrary::Form;

long peakMemoryKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Milliseconds to show the table view at places spread over its whole length, each one
// painted, as an operator dragging the scroll bar sees it. Not part of the total.
qint64 scrollThrough(TTabbedForm &window)
{
    constexpr int places = 200;
    auto *view = window.findChild<QAbstractScrollArea *>(QStringLiteral("memoKalidor"));
    QScrollBar *bar = view->verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    for (int place = 1; place <= places; ++place) {
        bar->setValue(int(qint64(bar->maximum()) * place / places));
        view->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    return timer.elapsed();
}

// Milliseconds that `count` zero sleeps take here and now. The window's loops call for one per
// row, which the converter need not do; they give up the time slice at most once a millisecond.
qint64 zeroSleeps(qint64 count)
{
    QElapsedTimer timer;
    timer.start();
    for (qint64 i = 0; i < count; ++i)
        KeepAlive::zeroSleep();
    return timer.elapsed();
}

int runOne(Form libraryForm, int colours)
{
    const QString input
        = SyntheticLibrary::cached(QStringLiteral(KALIDOR_BENCH_DATA), libraryForm, colours);
    const QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("KALIDOR_Color_Database.csv"));

    auto scripted = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs *dialogs = scripted.get();
    dialogs->openAnswers = { input };
    dialogs->saveAnswers = { output };
    TTabbedForm window(std::move(scripted));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *open = window.findChild<QPushButton *>(QStringLiteral("btnOpenKalidorFile"));
    auto *convert = window.findChild<QPushButton *>(QStringLiteral("buttonConvertDelvane"));

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(open, Qt::LeftButton);
    const qint64 opened = timer.elapsed();
    const qint64 scrolled = scrollThrough(window);
    timer.restart();
    QTest::mouseClick(convert, Qt::LeftButton);
    const qint64 total = opened + timer.elapsed();

    if (!dialogs->messages.isEmpty() || !QFileInfo::exists(output)) {
        std::fprintf(stderr, "%s: the window did not save the records\n", qPrintable(input));
        return 1;
    }
    // Taken before the converter runs, so that it is the window's alone.
    const double windowPeakMB = double(peakMemoryKiB()) / 1024.0;

    // The converter's median of three runs: a single one varies more than the ratio's margin.
    QBuffer standardOutput;
    standardOutput.open(QIODevice::WriteOnly);
    std::array<qint64, 3> converterRuns {};
    for (qint64 &run : converterRuns) {
        timer.restart();
        const ConversionResult converted
            = Converter(standardOutput)
                  .run({ input, folder.filePath(QStringLiteral("c.csv")), RecordForm::Csv, false });
        run = timer.elapsed();
        if (converted.status != ExitStatus::Done) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(input), qPrintable(converted.message));
            return 1;
        }
    }
    std::sort(converterRuns.begin(), converterRuns.end());
    const qint64 converter = converterRuns[1];
    // The operator's first edit of the records makes their text document; not part of the total.
    auto *records
        = window.findChild<EditableLinesView *>(QStringLiteral("memoDelvaneSpecialColors"));
    records->setFocus();
    timer.restart();
    QTest::keyClick(records, Qt::Key_X);
    const qint64 firstEdit = timer.elapsed();
    if (!records->textView()) {
        std::fprintf(stderr, "%s: the first edit made no text\n", qPrintable(input));
        return 1;
    }
    // One per row in the reader's loop (a CxF3 file only) and one per row in the record loop.
    const qint64 sleeps = zeroSleeps(qint64(colours) * (libraryForm == Form::Cxf3 ? 2 : 1));
    std::printf("%-24s %10.1f MB %9lld ms %9lld ms %9lld ms %9lld ms %9.1f MB %9lld ms %8.2f x "
                "%9lld ms %9lld ms %8.2f x\n",
        qPrintable(QFileInfo(input).fileName()), double(QFileInfo(input).size()) / 1e6, opened,
        scrolled, total - opened, total, windowPeakMB, converter,
        double(total) / double(qMax(converter, 1)), firstEdit, sleeps,
        double(total - sleeps) / double(qMax(converter, 1)));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    KalidorApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3)
        return runOne(
            arguments.at(1) == u"cxf" ? Form::Cxf3 : Form::TextTable, arguments.at(2).toInt());

    std::printf("%-24s %13s %12s %12s %12s %12s %12s %12s %10s %12s %12s %10s\n", "library", "size",
        "open", "scroll", "convert+save", "total", "peak memory", "converter", "window/converter",
        "first edit", "zero sleeps", "without them");
    std::fflush(stdout);
    int status = 0;
    for (const auto &[kind, colours] : { std::pair { "cxf", "100000" }, { "txt", "1000000" } }) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(),
            { QString::fromLatin1(kind), QString::fromLatin1(colours) });
        if (!run.waitForFinished(-1) || run.exitCode() != 0)
            status = 1;
    }
    return status;
}
