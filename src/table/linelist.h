#pragma once

#include "base/textencoding.h"

#include <QCollator>
#include <QStringList>

class InputFile;
class QByteArray;
class QIODevice;
class QString;

// The lines of a text file and what loading them found out.
struct LoadedLines {
    QStringList lines;
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    // The text held a NUL character: it and everything after it are not in `lines`.
    bool stoppedAtNul = false;
    // A byte after a UTF-16 mark was left over at the end: it is not in `lines`.
    bool droppedOddByte = false;
};

// Decodes a file's bytes (a byte-order mark decides, else the default code page; UTF-8 is
// strict, an odd last UTF-16 byte is dropped) and cuts the text at CR LF, CR and LF.
// Throws KalidorError on an invalid UTF-8 sequence after a UTF-8 mark.
LoadedLines decodeLines(const QByteArray &bytes);

// All the lines of `device` (open for reading), decoded as decodeLines does.
LoadedLines readLines(QIODevice &device);

// Reads the whole file and decodes it as decodeLines does.
// Throws KalidorError when the file cannot be read, naming the file and the reason.
LoadedLines loadLines(const InputFile &file);
// loadLines for the file at `path`, which it opens; throws KalidorError when it cannot.
LoadedLines loadLines(const QString &path);

// Tells whether two whole lines are equal under the user's locale with case ignored.
class LineComparer {
public:
    LineComparer();
    bool equal(QStringView a, QStringView b) const { return m_collator.compare(a, b) == 0; }

private:
    QCollator m_collator;
};

// Index of the first line equal to `line` as LineComparer says, or -1.
int findLine(const QStringList &lines, const QString &line);
