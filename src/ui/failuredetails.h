#pragma once

#include <QString>

#include <exception>

// What an operator is told of a failed file operation behind its fixed message: the file, the
// line where it is known, and what is wrong, with any control character shown as "\x1B" is.
QString failureDetails(std::exception_ptr error, const QString &path);
