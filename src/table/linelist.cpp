#include "linelist.h"

#include "base/inputfile.h"
#include "base/inputfiledevice.h"
#include "base/kalidorerror.h"
#include "linereader.h"

#include <QBuffer>
#include <QByteArray>
#include <QCollator>
#include <QLocale>
#include <QString>

LoadedLines readLines(QIODevice &device)
{
    LineReader reader(device);
    LoadedLines loaded;
    QString line;
    while (reader.readLine(line))
        loaded.lines.append(line);
    loaded.encoding = reader.encoding();
    loaded.stoppedAtNul = reader.stoppedAtNul();
    loaded.droppedOddByte = reader.droppedOddByte();
    return loaded;
}

LoadedLines decodeLines(const QByteArray &bytes)
{
    QByteArray shared(bytes);
    QBuffer buffer(&shared);
    buffer.open(QIODevice::ReadOnly);
    return readLines(buffer);
}

LoadedLines loadLines(const InputFile &file)
{
    InputFileDevice device(file);
    try {
        return readLines(device);
    } catch (const KalidorError &error) {
        throw error.inFile(file.path());
    }
}

LoadedLines loadLines(const QString &path)
{
    return loadLines(InputFile(path));
}

LineComparer::LineComparer()
    : m_collator(QLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

int findLine(const QStringList &lines, const QString &line)
{
    const LineComparer comparer;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (comparer.equal(lines.at(i), line))
            return int(i);
    }
    return -1;
}
