#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The window program's command line, "kalidor-to-delvane [FILE]": FILE, when given, is opened at
// start as if it had been chosen in the open dialog. --help and --version print and end the
// program, and so does wrong usage, with exit status 1. Qt's own options are gone by then.
// Needs a QCoreApplication, whose name and version the texts show.
std::optional<QString> fileToOpenAtStart(const QStringList &arguments);
