#include "commandline.h"

#include "base/kalidorerror.h"
#include "base/visiblecontrols.h"
#include "buildinfo.h"
#include "converter.h"
#include "reporttarget.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QIODevice>

namespace {

const QString description = QStringLiteral(
    "Converts a KALIDOR colour table into a special-colour database for the Delvane RIP,\n"
    "with the rules of the KALIDOR to Delvane window: INPUT is a tab-separated colour table\n"
    "or a CxF3 file; every row whose name starts with KALIDOR becomes one record of OUTPUT\n"
    "(with --all-colours, every colour row).\n"
    "OUTPUT is written in Windows-1252 with CR LF line ends and stays the same file (its\n"
    "links, owner and mode); \"-\" writes the same bytes to standard output. A run that fails\n"
    "writes nothing.\n\n"
    "A record that the RIP may not read as the table means it is written all the same and\n"
    "reported on standard error as PATH: line N: \"NAME\": WHAT. That is a name with\n"
    "characters the file's encoding cannot hold, a name that is another's once written, a\n"
    "CSV name with a comma or a double quote, a name with a control character (shown as\n"
    "\\x1B, as every control character on standard error is), a CxF3 colour object that\n"
    "holds another (passed over), and a value that is not a plain decimal number\n"
    "or that no surface colour has (L* outside 0 to 100, a* or b* beyond 128 either way),\n"
    "CxF3 Lab values that the file gives for another illuminant or observer than D50 with\n"
    "2 degrees (with --d50, those it cannot adapt), with --d50 CxF3 Lab values that differ\n"
    "from the colour's spectrum by more than CIE Delta E 2000 0.5, and, with --append, a\n"
    "name that OUTPUT already holds (each line of it there with its values, and the CIE\n"
    "Delta E 2000 of the first to the new ones).\n\n"
    "Updating a database: with --append --replace, a record whose name OUTPUT already holds\n"
    "takes the place of the first line of that name; unchanged lines are left as they are,\n"
    "new names are added, and --strict counts only the other warnings. --report FILE keeps\n"
    "an account of the run as JSON.");

const QString usageText = QStringLiteral(
    "Usage: %1 [--legacy] [--append [--replace]] [--any-cxf3] [--all-colours] [--strict] "
    "[--d50] [--quiet] [--verbose] [--report FILE] INPUT OUTPUT\n"
    "       %1 --help | --version\n\n");

const QString exitStatusText = QStringLiteral(
    "\nExit status:\n"
    "  0  Done.\n"
    "  1  Wrong usage.\n"
    "  2  INPUT cannot be read: it cannot be opened, holds invalid UTF-8 after a UTF-8 mark,\n"
    "     or is a CxF3 file that is not well-formed XML or lacks an L, A or B value (with\n"
    "     --d50: or a spectrum or XYZ values that give them, or give values far outside\n"
    "     any colour); or\n"
    "     memory ran out while converting it (free memory or raise the limit, and run again).\n"
    "  3  INPUT is neither a text colour table nor a CxF3 file, or names no regular file;\n"
    "     a CxF3 file that --any-cxf3 would read is named as such.\n"
    "  4  A colour row of the table has fewer than four fields.\n"
    "  5  OUTPUT cannot be written, or it exists and --append cannot read it in full, or\n"
    "     another program changed it while --append added to it, or another run kept\n"
    "     saving to it for 10 seconds (runs saving to one OUTPUT wait for each other);\n"
    "     or the --report FILE cannot be written (nothing is written then either).\n"
    "  6  --strict, and a record has a warning.\n"
    "  7  OUTPUT was written, but the --report FILE made beside its name could not be\n"
    "     given it (do not run again to append the same records).\n"
    "\nExamples:\n"
    "  %1 Library.cxf KALIDOR_Color_Database.csv\n"
    "  %1 --legacy --append Table.txt specialColors\n"
    "  %1 --append --replace --verbose Library.cxf KALIDOR_Color_Database.csv\n"
    "  %1 Library.cxf - | sort\n"
    "  %1 --any-cxf3 --all-colours Measured.cxf Measured.csv\n"
    "  %1 --any-cxf3 --all-colours --d50 --verbose Measured.cxf Measured.csv\n");

} // namespace

CommandLine::CommandLine(QIODevice &standardOutput, QIODevice &standardError)
    : m_standardOutput(standardOutput)
    , m_standardError(standardError)
{
}

int CommandLine::run(const QStringList &arguments) const
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption legacy(QStringLiteral("legacy"),
        QStringLiteral("Write \"SPOTCOLOR_NAME:\" records for RIP version 7.1 and below "
                       "instead of CSV."));
    const QCommandLineOption append(QStringLiteral("append"),
        QStringLiteral("Add the records to an existing OUTPUT, keeping its lines and its "
                       "encoding. A missing OUTPUT is created."));
    const QCommandLineOption replace(QStringLiteral("replace"),
        QStringLiteral("With --append: a record whose name OUTPUT already holds replaces the "
                       "first line of that name in place, unless it is written the same; other "
                       "records are added."));
    const QCommandLineOption reportFile(QStringLiteral("report"),
        QStringLiteral("Also write FILE, a JSON document of the run: each record with its input "
                       "line, values, action (added, replaced or unchanged; none when the run "
                       "failed, which writes nothing) and warnings, the totals and the exit "
                       "status; written whether the run succeeds or not. FILE is a regular file "
                       "or a new one, neither INPUT nor OUTPUT; it is made whole beside its name "
                       "before OUTPUT is saved."),
        QStringLiteral("FILE"));
    const QCommandLineOption anyCxf3(QStringLiteral("any-cxf3"),
        QStringLiteral("Also read a CxF3 file whose root element CxF is laid out otherwise: more "
                       "attributes on its line, a default namespace, on the first line."));
    const QCommandLineOption allColours(QStringLiteral("all-colours"),
        QStringLiteral("Make a record of every colour row whatever its name, not only of those "
                       "starting with KALIDOR: every row read from a CxF3 file, and every "
                       "line below a text table's header line that is not blank."));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"), QStringLiteral("Report the counts of rows and records."));
    const QCommandLineOption strict(QStringLiteral("strict"),
        QStringLiteral("Treat any warning as a failure: exit with status 6 and write nothing."));
    const QCommandLineOption quiet(
        QStringLiteral("quiet"), QStringLiteral("Do not report warnings on standard error."));
    const QCommandLineOption d50(QStringLiteral("d50"),
        QStringLiteral("Give each CxF3 colour's L*, a*, b* as CIELAB for D50 and the 2 degree "
                       "observer: computed from its reflectance spectrum where it has one (ASTM "
                       "E308), else adapted (Bradford) from Lab or XYZ given for another "
                       "illuminant, else as given. With --verbose, says where each record's "
                       "values come from."));
    parser.addOptions(
        { legacy, append, replace, reportFile, anyCxf3, allColours, d50, strict, quiet, verbose });
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("The colour table."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"),
        QStringLiteral("The special-colour database to write, or - for standard output."));

    const QString program = QCoreApplication::applicationName();
    const auto wrongUsage = [&](const QString &reason) {
        report(QStringLiteral("%1: %2 See %1 --help.").arg(program, reason));
        return int(ExitStatus::WrongUsage);
    };
    if (!parser.parse(arguments))
        return wrongUsage(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Qt's usage line names the program by the path it was started with.
        const QString rest = parser.helpText().section(u'\n', 1);
        m_standardOutput.write(
            (usageText.arg(program) + rest + exitStatusText.arg(program)).toUtf8());
        return int(ExitStatus::Done);
    }
    if (parser.isSet(version)) {
        m_standardOutput.write(QStringLiteral("%1 %2\n").arg(program, BuildInfo::version).toUtf8());
        return int(ExitStatus::Done);
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return wrongUsage(
            QStringLiteral("INPUT and OUTPUT expected, %1 given.").arg(positional.size()));

    ConversionRequest request;
    request.input = positional.at(0);
    request.output = positional.at(1);
    request.form = parser.isSet(legacy) ? RecordForm::Legacy : RecordForm::Csv;
    request.append = parser.isSet(append);
    request.replace = parser.isSet(replace);
    request.anyCxf3 = parser.isSet(anyCxf3);
    request.rows = parser.isSet(allColours) ? RowSelection::AllColours : RowSelection::UsedRows;
    request.strict = parser.isSet(strict);
    request.d50 = parser.isSet(d50);
    request.saveNotes
        = [&](const QString &note) { report(QStringLiteral("%1: %2").arg(program, note)); };
    if (request.append && request.output == u"-")
        return wrongUsage(QStringLiteral("--append needs an OUTPUT file, not standard output."));
    if (request.replace && !request.append)
        return wrongUsage(QStringLiteral("--replace is used with --append."));
    if (parser.isSet(reportFile)) {
        try {
            request.report = reportTarget(parser.value(reportFile), request.input, request.output);
        } catch (const KalidorError &error) {
            return wrongUsage(error.text());
        }
    }
    // With --d50 --verbose, each record's source is told.
    request.keepOutcomes = request.d50 && parser.isSet(verbose);

    const ConversionResult result = Converter(m_standardOutput).run(request);
    if (!parser.isSet(quiet)) {
        for (const RecordWarning &warning : result.warnings)
            report(KalidorError::at(request.input,
                QStringLiteral("\"%1\": %2").arg(warning.name, warning.what), warning.fileLine)
                       .text());
    }
    // Also when only the report could not take its name: the database was saved.
    if (!result.note.isEmpty())
        report(QStringLiteral("%1: %2").arg(program, result.note));
    if (result.status != ExitStatus::Done) {
        report(QStringLiteral("%1: %2").arg(program, result.message));
        if (!result.reportFailure.isEmpty())
            report(QStringLiteral("%1: %2").arg(program, result.reportFailure));
        return int(result.status);
    }
    if (parser.isSet(verbose) && request.d50) {
        try {
            result.outcomes->forEach([&](const OutcomeSpool::Record &outcome) {
                report(KalidorError::at(request.input,
                    QStringLiteral("\"%1\": values %2")
                        .arg(OutcomeSpool::text(outcome.name), OutcomeSpool::text(outcome.source)),
                    outcome.fileLine)
                           .text());
            });
        } catch (const KalidorError &error) {
            report(QStringLiteral("%1: %2").arg(program, error.text()));
        }
    }
    if (parser.isSet(verbose))
        report(
            QStringLiteral("%1: %2: %3 lines in the colour table, %4 records written to %5")
                .arg(program, request.input)
                .arg(result.tableLines)
                .arg(result.records)
                .arg(request.output == u"-" ? QStringLiteral("standard output") : request.output));
    if (parser.isSet(verbose) && request.replace)
        report(QStringLiteral("%1: records: %2 replaced, %3 unchanged, %4 added")
                   .arg(program)
                   .arg(result.replaced)
                   .arg(result.unchanged)
                   .arg(result.records - result.replaced - result.unchanged));
    return int(result.status);
}

void CommandLine::report(const QString &line) const
{
    // Paths and names may hold any character; the terminal expects the locale's encoding, and
    // must show a control character instead of acting on it.
    m_standardError.write(QString(withVisibleControls(line) + u'\n').toLocal8Bit());
}
