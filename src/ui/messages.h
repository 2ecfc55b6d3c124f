#pragma once

#include <QString>

// Every fixed text the program shows in a message box. Lines are separated by single CR
// characters.
namespace Messages {

// A chosen colour table could not be opened, read or turned into table lines.
QString inputFileError();
// The special-colour database file could not be written.
QString outputFileError();
// The convert button was pressed with no colour table in the view.
QString kalidorFileNotSelected();

} // namespace Messages
