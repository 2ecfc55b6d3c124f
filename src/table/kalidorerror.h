#pragma once

#include <QString>

#include <stdexcept>

// The one error type of the core. Its text says what went wrong and where
// (file, line, element), so that a host can report it or replace it with its own message.
class KalidorError : public std::runtime_error
{
public:
    explicit KalidorError(const QString &text)
        : std::runtime_error(text.toStdString())
        , m_text(text)
    {
    }

    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};
