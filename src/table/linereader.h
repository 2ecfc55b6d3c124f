#pragma once

#include "base/textencoding.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads a text's lines one at a time, holding only a small part of it at once: a byte-order
// mark decides the encoding (else the default code page), UTF-8 is strict, lines end at
// CR LF, CR and LF, and the first NUL ends the text. Bytes after a NUL are still read, so that
// an invalid UTF-8 sequence or an odd last UTF-16 byte anywhere in the file is found.
class LineReader {
public:
    // `device` must be open for reading; it is read from its current position to its end.
    explicit LineReader(QIODevice &device);

    // Sets `line` to the next line; false at the end of the text.
    // Throws KalidorError on an invalid UTF-8 sequence (naming its line and byte offset) or a
    // read error.
    bool readLine(QString &line);

    TextEncoding encoding() const { return m_encoding; }
    // The text held a NUL character: it and everything after it are not in the lines.
    bool stoppedAtNul() const { return m_stoppedAtNul; }
    // A byte after a UTF-16 mark was left over at the end.
    bool droppedOddByte() const { return m_droppedOddByte; }

private:
    void readMark();
    // Decodes the next chunk of the device onto the unread text; false when there is none.
    bool decodeMore();
    // Decodes `bytes` onto the end of the unread text.
    void decodeOnto(QByteArrayView bytes, bool atEnd);
    // The line, counted from 1, on which text decoded as `decodedBefore` after the unread text
    // ends; 0 once a NUL has ended the text.
    qint64 lineOf(const QString &decodedBefore) const;

    QIODevice &m_device;
    TextEncoding m_encoding = TextEncoding::DefaultCodePage;
    qint64 m_bytesDecoded = 0; // from the start of the device, the mark included
    QByteArray m_carried; // the start of a character whose end is in the next chunk
    QByteArray m_chunk; // the bytes being decoded
    QString m_text; // decoded text not yet cut into lines
    qsizetype m_position = 0; // where the next line starts in m_text
    qint64 m_linesRead = 0;
    bool m_textEnded = false; // a NUL was met: later text is not kept
    bool m_deviceEnded = false;
    bool m_stoppedAtNul = false;
    bool m_droppedOddByte = false;
};
