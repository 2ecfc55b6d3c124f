#pragma once

#include "caretmotion.h"
#include "lineselection.h"
#include "rowsink.h"
#include "swatchmargin.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextLayout>

class QMenu;

// A read-only view of lines held elsewhere: its text can be selected and copied, never edited.
// Rows are all one height and only those in sight are laid out, when they are painted, so the
// view costs next to nothing however many lines it shows. It looks and answers like a
// read-only plain text view: each line as ViewLines::shown() gives it, the same margins, tab
// stops and selection colours, with a swatch margin (see SwatchMargin) on the left.
class ReadOnlyLinesView : public QAbstractScrollArea, public RowSink, private SwatchMargin::Lines {
    Q_OBJECT

public:
    explicit ReadOnlyLinesView(SwatchMargin::ColourReader reader, QWidget *parent = nullptr);

    virtual bool isReadOnly() const { return true; }

    // Shows `lines` in place of those shown; the list is shared, not copied. The scroll
    // position and the selection stay as far as the new lines reach.
    void setLines(const QStringList &lines);
    virtual void clear();
    // A loop's rows: each goes at the end, and all that came are shown on showNewRows().
    void append(const QString &row) override;
    void showNewRows() override;

    qsizetype lineCount() const { return m_lines.size(); }
    // The lines the view was given, each as it is (shownLine gives it as the view shows it).
    const QStringList &heldLines() const { return m_lines; }
    // A line as the view shows it.
    QString shownLine(qsizetype line) const;
    QString selectedText() const;
    // Copy and Select All, as the view's context menu offers them; the caller owns the menu.
    virtual QMenu *createStandardContextMenu();

    void copy() const;
    void selectAll();

protected:
    // `withMarks` makes room in the margin for warning marks, which a subclass gives by markOf().
    ReadOnlyLinesView(SwatchMargin::ColourReader reader, bool withMarks, QWidget *parent);

    const LineSelection &selection() const { return m_selection; }
    // The widest of the lines laid out so far, which sets how far the view scrolls sideways.
    qsizetype widestLine() const { return m_widestLine; }
    void updateMargin() { m_margin->update(); }

    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QList<SwatchMargin::ShownLine> shownBetween(int top, int bottom) const override;
    std::optional<QString> textOf(int line) const override;
    QString markOf(int line) const override;

    int rowHeight() const;
    int textTop(int first) const;
    int rowsFitting(int first) const;
    // Lays out one line, and widens the sideways scroll range when it is the widest yet.
    void layOut(QTextLayout &layout, qsizetype line);
    qreal xOf(LinePlace place);
    LinePlace placeAt(const QPoint &position);
    LinePlace placeAtX(qsizetype line, qreal x);
    // Where a key's motion takes the caret.
    LinePlace placeAfter(CaretMotion motion);
    // The place `lines` down (up when negative) from the caret, at the x it keeps.
    LinePlace linesAway(qsizetype lines);
    // One character or word further (`direction` 1) or back (-1).
    LinePlace stepped(int direction, QTextLayout::CursorMode mode);
    LinePlace paged(int direction);
    void moveCaret(LinePlace place, bool select);
    void offerSelection() const;
    bool onSelectedText(const QPoint &position);
    void ensureCaretVisible();
    void updateScrollBars();
    void updateGeometries();

    QStringList m_lines;
    LineSelection m_selection;
    // Where up, down and the page keys keep the caret across lines; negative when it is to be
    // taken from the caret.
    qreal m_caretX = -1;
    bool m_selecting = false;
    bool m_focused = false;
    // Where a press on the selection was, while it may still become a drag of the text.
    std::optional<QPoint> m_dragFrom;
    // A press soon after a double-click, near it, is a third click.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickedAt;
    // The widest line laid out so far: lines are measured as they come into sight.
    qreal m_widest = 0;
    qsizetype m_widestLine = 0;
    // How many lines there were when the view last showed its lines; rows added below those
    // in sight need no painting.
    qsizetype m_linesShown = 0;
    bool m_rangeDue = false;
    SwatchMargin *m_margin;
};
