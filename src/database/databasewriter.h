#pragma once

#include "base/textencoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Lines encoded for a database file, each followed by CR LF.
struct EncodedLines {
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    QByteArray bytes; // the lines alone, without a byte-order mark

    // The whole file: the byte-order mark of `encoding`, then the lines. DefaultCodePage has no
    // mark unless that code page is UTF-8.
    QByteArray withMark() const;
};

// Encodes lines one at a time, so that a caller can drop each line once it is appended.
// A character that DefaultCodePage cannot represent becomes "?"; UTF-16 is written code unit
// for code unit, so that an unpaired surrogate is kept.
class LineEncoder {
public:
    explicit LineEncoder(TextEncoding encoding);

    // All of `lines` at once, without the byte-order mark.
    static EncodedLines encodeAll(const QStringList &lines, TextEncoding encoding);

    // The bytes of `text` as a line holding it is encoded, without the line end.
    static QByteArray encode(const QString &text, TextEncoding encoding);

    // Room for about `bytes` bytes of lines.
    void reserve(qsizetype bytes) { m_bytes.reserve(bytes); }
    // Adds `line` followed by CR LF.
    void append(const QString &line);
    // The lines appended so far; the encoder is empty afterwards.
    EncodedLines take();

private:
    void encodeBlock();

    TextEncoding m_encoding;
    QString m_block; // lines not encoded yet, so that short lines are encoded many at a time
    QByteArray m_bytes;
};

// The bytes of a database file: the lines encoded as LineEncoder does, with the byte-order mark.
QByteArray encodeLines(const QStringList &lines, TextEncoding encoding);

// Saves the records as the special-colour database `path` at once, as DatabaseSave does.
QString saveDatabase(const QString &path, const QStringList &records, bool append);
