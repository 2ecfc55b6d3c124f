#pragma once

#include "readonlylinesview.h"
#include "textviewrows.h"

#include <QMap>

#include <optional>

class SwatchTextView;

// An editable view of lines held elsewhere that costs next to nothing to fill. Until the
// operator's first edit it shows the lines as ReadOnlyLinesView does, with the warning marks
// beside them; that edit turns it into a text view holding the same lines (see SwatchTextView),
// with the same scroll position, caret, selection and marks, which then takes the edit and all
// that follow. Only an edit of the operator's pays for a text document.
class EditableLinesView : public ReadOnlyLinesView {
    Q_OBJECT

public:
    explicit EditableLinesView(SwatchMargin::ColourReader reader, QWidget *parent = nullptr);

    bool isReadOnly() const override { return false; }
    // Back to showing lines: no lines, no marks, no text document.
    void clear() override;
    void append(const QString &row) override;
    void showNewRows() override;

    // The lines as the view shows them now: those it was given until the operator's first
    // edit, the lines of its text after it (see HeldLines).
    QStringList lines() const;

    // Marks the lines given by number with their reasons, in place of any earlier marks. Once
    // edited, a mark stays with its line.
    void setMarks(const QMap<int, QString> &reasonsByLine);
    QString markOf(int line) const override;
    // The text view the operator's first edit made; null until then.
    SwatchTextView *textView() const { return m_text; }
    // Also Undo, Redo, Cut, Paste and Delete, as an editable text view offers them.
    QMenu *createStandardContextMenu() override;

protected:
    bool event(QEvent *event) override;
    // Tab types a tab, as in an editable text view.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // The text view in place of the lines, made on the first call.
    SwatchTextView &becomeText();
    void showScrollBars(Qt::ScrollBarPolicy policy);

    SwatchMargin::ColourReader m_reader;
    QMap<int, QString> m_marks;
    SwatchTextView *m_text = nullptr;
    // Rows of a loop that comes after the first edit go to the end of the text.
    std::optional<TextViewRows> m_rows;
};
