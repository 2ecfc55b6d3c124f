#pragma once

class QString;

// Where the rows of a loop of the core are shown as they come. Rows may be held back until
// showNewRows(), which the loop's host calls at its progress steps and once at the end.
class RowSink {
public:
    virtual ~RowSink() = default;

    virtual void append(const QString &row) = 0;
    virtual void showNewRows() = 0;
};
