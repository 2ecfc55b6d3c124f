#pragma once

#include <QString>

#include <exception>

// The one place where an error that escapes an event handler is reported.
namespace GeneralErrorHandler {

// The innermost non-empty text of a chain of nested errors, else the error's own.
QString errorText(std::exception_ptr error);

// The text an escaped error is shown with: errorText() with its control characters shown (see
// withVisibleControls) and a full stop added when the last character sorts after ".".
QString displayText(std::exception_ptr error);

// Shows the error in an "Error" message box owned by the active window.
void report(std::exception_ptr error);

} // namespace GeneralErrorHandler
