#pragma once

#include "rowsink.h"

#include <QStringList>

class QPlainTextEdit;

// Rows going to the end of a text view a batch at a time: one insert of many lines costs the
// document far less than an insert per line. Each row's block is marked with the number of the
// held line it shows (see HeldLines), counting from `firstLine`.
class TextViewRows : public RowSink {
public:
    TextViewRows(QPlainTextEdit *view, qsizetype firstLine);

    void append(const QString &row) override;
    void showNewRows() override;

private:
    QPlainTextEdit *m_view;
    // Nothing shown yet in a view that was empty.
    bool m_atStart;
    qsizetype m_nextLine;
    QStringList m_pending;
};
