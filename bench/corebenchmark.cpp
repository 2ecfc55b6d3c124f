#include "base/silentobserver.h"
#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "database/heldrecords.h"
#include "database/recordwarnings.h"
#include "syntheticlibrary.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/filetype.h"
#include "table/linelist.h"
#include "table/opencolourtable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// Each stage of a conversion on its own, over synthetic libraries of 1,000 to 1,000,000
// colours: bytes/s is of the stage's input file, rows/s of the colours in it.
namespace {

using SyntheticLibrary::Form;

QString library(Form form, const benchmark::State &state)
{
    return SyntheticLibrary::cached(
        QStringLiteral(KALIDOR_BENCH_DATA), form, static_cast<int>(state.range(0)));
}

void setRates(benchmark::State &state, qint64 bytesPerIteration)
{
    state.SetBytesProcessed(qint64(state.iterations()) * bytesPerIteration);
    state.counters["rows/s"]
        = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

// The whole opening, as every host opens a file.
void open(benchmark::State &state, Form form)
{
    const QString path = library(form, state);
    for (auto _ : state) {
        XmlDocument document;
        SilentObserver observer;
        benchmark::DoNotOptimize(openColourTable(path, document, observer).lines.size());
    }
    setRates(state, QFileInfo(path).size());
}

void OpenTextTable(benchmark::State &state)
{
    open(state, Form::TextTable);
}

void OpenCxf3(benchmark::State &state)
{
    open(state, Form::Cxf3);
}

// The stages of an opening on their own.
void Classify(benchmark::State &state)
{
    const QString path = library(Form::Cxf3, state);
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectFileTypeOfFile(path));
    setRates(state, QFileInfo(path).size());
}

void ReadCxf3(benchmark::State &state)
{
    const QString path = library(Form::Cxf3, state);
    for (auto _ : state) {
        XmlDocument document;
        SilentObserver observer;
        benchmark::DoNotOptimize(ReadCxF3File(document, path, observer).size());
    }
    setRates(state, QFileInfo(path).size());
}

NumberedLines textTable(const benchmark::State &state)
{
    return NumberedLines::ofFile(loadLines(library(Form::TextTable, state)).lines);
}

void BuildRecords(benchmark::State &state)
{
    const NumberedLines table = textTable(state);
    for (auto _ : state) {
        SilentObserver observer;
        benchmark::DoNotOptimize(BuildSpecialColors(table, RecordForm::Csv, observer).size());
    }
    setRates(state, QFileInfo(library(Form::TextTable, state)).size());
}

void CheckRecords(benchmark::State &state)
{
    const NumberedLines table = textTable(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage).size());
    }
    setRates(state, QFileInfo(library(Form::TextTable, state)).size());
}

// Appending to a database that holds every name already: its names hashed, and each record
// found there and warned of, with its ΔE2000.
void CheckRecordsAgainstHeld(benchmark::State &state)
{
    const NumberedLines table = textTable(state);
    SilentObserver observer;
    const QStringList records = BuildSpecialColors(table, RecordForm::Csv, observer).lines;
    for (auto _ : state) {
        const HeldRecords held(records);
        benchmark::DoNotOptimize(checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage,
            {}, RowSelection::UsedRows, &held)
                                     .size());
    }
    setRates(state, QFileInfo(library(Form::TextTable, state)).size());
}

void Save(benchmark::State &state)
{
    SilentObserver observer;
    const NumberedLines records = BuildSpecialColors(textTable(state), RecordForm::Csv, observer);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("KALIDOR_Color_Database.csv"));
    for (auto _ : state)
        saveDatabase(path, records.lines, false);
    setRates(state, QFileInfo(path).size());
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const int colours : { 1000, 10000, 100000, 1000000 })
        benchmark->Arg(colours);
}

} // namespace

BENCHMARK(OpenTextTable)->Apply(sizes);
BENCHMARK(OpenCxf3)->Apply(sizes);
BENCHMARK(Classify)->Apply(sizes);
BENCHMARK(ReadCxf3)->Apply(sizes);
BENCHMARK(BuildRecords)->Apply(sizes);
BENCHMARK(CheckRecords)->Apply(sizes);
BENCHMARK(CheckRecordsAgainstHeld)->Apply(sizes);
BENCHMARK(Save)->Apply(sizes);

int main(int argc, char **argv)
{
    // The core asks Qt for the locale's collation, as in the program.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
