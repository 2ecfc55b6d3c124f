#include "kalidorerror.h"

#include <QDir>

namespace {

QString describe(const QString &path, const QString &what, qint64 line, qint64 column)
{
    QString text;
    if (!path.isEmpty())
        text = QDir::toNativeSeparators(path) + QStringLiteral(": ");
    if (line > 0) {
        text += QStringLiteral("line %1").arg(line);
        if (column > 0)
            text += QStringLiteral(", column %1").arg(column);
        text += QStringLiteral(": ");
    }
    return text + what;
}

} // namespace

KalidorError::KalidorError(const QString &what, qint64 line, qint64 column)
    : KalidorError(QString(), what, line, column, describe(QString(), what, line, column))
{
}

KalidorError::KalidorError(
    const QString &path, const QString &what, qint64 line, qint64 column, const QString &text)
    : std::runtime_error(text.toStdString())
    , m_path(path)
    , m_reason(what)
    , m_line(line)
    , m_column(column)
    , m_text(text)
{
}

KalidorError KalidorError::at(const QString &path, const QString &what, qint64 line, qint64 column)
{
    return KalidorError(path, what, line, column, describe(path, what, line, column));
}

KalidorError KalidorError::inFile(const QString &path) const
{
    if (!m_path.isEmpty())
        return *this;
    return at(path, m_reason, m_line, m_column);
}
