#include "cli/rowcollector.h"
#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "syntheticlibrary.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/filetype.h"
#include "table/linelist.h"

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

void loadAndClassify(benchmark::State &state, Form form)
{
    const QString path = library(form, state);
    // As the window and the converter open a file: classify in one pass, then load the lines
    // of a text table.
    for (auto _ : state) {
        const QString tag = DetectFileTypeOfFile(path);
        if (tag == FileTypeTag::textFile)
            benchmark::DoNotOptimize(loadLines(path));
        benchmark::DoNotOptimize(tag);
    }
    setRates(state, QFileInfo(path).size());
}

void LoadAndClassifyTextTable(benchmark::State &state)
{
    loadAndClassify(state, Form::TextTable);
}

void LoadAndClassifyCxf3(benchmark::State &state)
{
    loadAndClassify(state, Form::Cxf3);
}

void ReadCxf3(benchmark::State &state)
{
    const QString path = library(Form::Cxf3, state);
    for (auto _ : state) {
        XmlDocument document;
        RowCollector rows;
        ReadCxF3File(document, path, rows);
        benchmark::DoNotOptimize(rows.rows().size());
    }
    setRates(state, QFileInfo(path).size());
}

void BuildRecords(benchmark::State &state)
{
    const QString path = library(Form::TextTable, state);
    const QStringList table = loadLines(path).lines;
    for (auto _ : state) {
        RowCollector records;
        BuildSpecialColors(table, RecordForm::Csv, records);
        benchmark::DoNotOptimize(records.rows().size());
    }
    setRates(state, QFileInfo(path).size());
}

void Save(benchmark::State &state)
{
    RowCollector records;
    BuildSpecialColors(loadLines(library(Form::TextTable, state)).lines, RecordForm::Csv, records);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("KALIDOR_Color_Database.csv"));
    for (auto _ : state)
        saveDatabase(path, records.rows(), false);
    setRates(state, QFileInfo(path).size());
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const int colours : { 1000, 10000, 100000, 1000000 })
        benchmark->Arg(colours);
}

} // namespace

BENCHMARK(LoadAndClassifyTextTable)->Apply(sizes);
BENCHMARK(LoadAndClassifyCxf3)->Apply(sizes);
BENCHMARK(ReadCxf3)->Apply(sizes);
BENCHMARK(BuildRecords)->Apply(sizes);
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
