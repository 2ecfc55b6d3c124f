#pragma once

class QUrl;

// Where the user guide is: the copy beside the program in the build tree, else the installed one.
QUrl helpDocumentUrl();
