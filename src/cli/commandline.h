#pragma once

#include <QStringList>

class QIODevice;
class QString;

// The converter's command line: reads the options, runs the conversion, reports on standard
// error. Needs a QCoreApplication, whose application name appears in the usage text.
class CommandLine {
public:
    // Both devices must be open for writing.
    CommandLine(QIODevice &standardOutput, QIODevice &standardError);

    // `arguments` start with the program's name. Returns the exit status.
    int run(const QStringList &arguments) const;

private:
    void report(const QString &line) const;

    QIODevice &m_standardOutput;
    QIODevice &m_standardError;
};
