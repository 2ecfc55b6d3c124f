#pragma once

class QString;
class QTextDocument;

// Writes the styled guide as an A4 PDF with a footer naming the guide and the page; false when
// the file cannot be written.
bool writeGuidePdf(QTextDocument &document, const QString &title, const QString &pdfPath);
