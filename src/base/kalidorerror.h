#pragma once

#include <QString>

#include <stdexcept>

// The one error type of the core. Its text says where and what, in one shape for every
// failure: "file: line N, column C: what", the line and column left out where unknown and
// the path shown with the platform's separators. A host may report the text as it stands,
// or replace it with its own message.
class KalidorError : public std::runtime_error {
public:
    // A failure that belongs to no file (yet): the text is `what` alone. A caller that knows
    // the file passes it on with inFile().
    explicit KalidorError(const QString &what, qint64 line = 0, qint64 column = 0);

    // The one maker of the core's error texts.
    static KalidorError at(
        const QString &path, const QString &what, qint64 line = 0, qint64 column = 0);

    // The same failure, placed in the file `path` unless it already names one.
    KalidorError inFile(const QString &path) const;

    const QString &text() const noexcept { return m_text; }
    // The parts of the text, for hosts that show them apart.
    const QString &path() const noexcept { return m_path; }
    qint64 line() const noexcept { return m_line; }
    qint64 column() const noexcept { return m_column; }
    const QString &reason() const noexcept { return m_reason; }

private:
    KalidorError(
        const QString &path, const QString &what, qint64 line, qint64 column, const QString &text);

    QString m_path;
    QString m_reason;
    qint64 m_line = 0;
    qint64 m_column = 0;
    QString m_text;
};
