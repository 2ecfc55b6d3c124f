#pragma once

#include <QList>
#include <QStringList>

// Lines together with the line of the input file each one comes from: a colour table as a
// host holds it (a text table's own lines, or the rows a CxF3 file gave), or the records built
// from it. Errors and warnings name the file's line, not the index.
struct NumberedLines {
    QStringList lines;
    // One entry per line; 0 where a line comes from no line of the file (the header line
    // that the CxF3 reader writes).
    QList<qint64> fileLines;

    void append(const QString &line, qint64 fileLine)
    {
        lines.append(line);
        fileLines.append(fileLine);
    }
    void reserve(qsizetype size)
    {
        lines.reserve(size);
        fileLines.reserve(size);
    }
    void clear()
    {
        lines.clear();
        fileLines.clear();
    }
    bool isEmpty() const { return lines.isEmpty(); }
    qsizetype size() const { return lines.size(); }

    // The lines of a text file, numbered from 1.
    static NumberedLines ofFile(const QStringList &lines)
    {
        NumberedLines numbered { lines, {} };
        numbered.fileLines.reserve(lines.size());
        for (qsizetype i = 1; i <= lines.size(); ++i)
            numbered.fileLines.append(i);
        return numbered;
    }
};
