#include "base/platformmemory.h"
#include "base/terminationdeferred.h"
#include "commandline.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

int main(int argc, char **argv)
{
    PlatformMemory::returnLargeBuffersWhenFreed();
    // Before any thread starts: a polite signal waits for a save's commit (see FileSave).
    installTerminationHandlers();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalidor-convert"));
    // Unbuffered, so that a failed write (a full disk, a closed pipe) is seen where it happens.
    QFile standardOutput;
    QFile standardError;
    standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return CommandLine(standardOutput, standardError).run(QCoreApplication::arguments());
}
