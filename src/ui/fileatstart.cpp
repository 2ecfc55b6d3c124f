#include "fileatstart.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

std::optional<QString> fileToOpenAtStart(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns a KALIDOR colour table into a special-colour database for the "
                       "Delvane RIP."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
        QStringLiteral("A colour table to open at start, as if chosen with \"Open Kalidor "
                       "File\"."),
        QStringLiteral("[FILE]"));
    parser.process(arguments);

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        const QString program = QCoreApplication::applicationName();
        const QString text = QStringLiteral("%1: one FILE at most, %2 given. See %1 --help.\n")
                                 .arg(program)
                                 .arg(files.size());
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::exit(1);
    }
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}
