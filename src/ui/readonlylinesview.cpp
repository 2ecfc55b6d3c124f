#include "readonlylinesview.h"

#include "caretmotion.h"
#include "clickedword.h"
#include "linesviewaccessible.h"
#include "menuentry.h"
#include "viewlines.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

namespace {

// A plain text view's room around its text, and how far it scrolls sideways in one step.
constexpr int textMargin = 4;
constexpr int sidewaysStep = 20;

} // namespace

ReadOnlyLinesView::ReadOnlyLinesView(SwatchMargin::ColourReader reader, QWidget *parent)
    : ReadOnlyLinesView(std::move(reader), false, parent)
{
}

ReadOnlyLinesView::ReadOnlyLinesView(
    SwatchMargin::ColourReader reader, bool withMarks, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_margin(new SwatchMargin(*this, std::move(reader), withMarks, this))
{
    // A platform that gives text views a font of their own gives it to this one too.
    const QFont textViewFont = QApplication::font("QPlainTextEdit");
    if (textViewFont != font())
        setFont(textViewFont);
    LinesViewAccessible::install();
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    horizontalScrollBar()->setSingleStep(sidewaysStep);
    updateGeometries();
}

void ReadOnlyLinesView::setLines(const QStringList &lines)
{
    m_lines = lines;
    const auto fit = [this](LinePlace place) {
        if (m_lines.isEmpty())
            return LinePlace {};
        place.line = qMin(place.line, m_lines.size() - 1);
        place.column = qMin(place.column, m_lines.at(place.line).size());
        return place;
    };
    m_selection = { fit(m_selection.anchor), fit(m_selection.caret) };
    // Other lines: all in sight are painted again.
    m_linesShown = 0;
    showNewRows();
}

void ReadOnlyLinesView::clear()
{
    setLines({});
    m_widest = 0;
    m_widestLine = 0;
    updateScrollBars();
}

void ReadOnlyLinesView::append(const QString &row)
{
    m_lines.append(row);
}

void ReadOnlyLinesView::showNewRows()
{
    updateScrollBars();
    // A long loop adds most of its rows below those in sight: only the scroll bar changes
    // then, and painting the rows in sight again at every progress step would cost as much
    // as the rest of the step.
    const int first = verticalScrollBar()->value();
    const qsizetype partlyInSight = first + rowsFitting(first);
    if (m_linesShown <= partlyInSight) {
        viewport()->update();
        m_margin->update();
    }
    m_linesShown = m_lines.size();
}

QString ReadOnlyLinesView::shownLine(qsizetype line) const
{
    return ViewLines::shown(m_lines.at(line));
}

QString ReadOnlyLinesView::selectedText() const
{
    return m_selection.textOf([this](qsizetype line) { return shownLine(line); });
}

void ReadOnlyLinesView::copy() const
{
    if (!m_selection.isEmpty())
        QApplication::clipboard()->setText(selectedText());
}

void ReadOnlyLinesView::selectAll()
{
    if (m_lines.isEmpty())
        return;
    m_selection = { {}, { m_lines.size() - 1, m_lines.last().size() } };
    viewport()->update();
}

QMenu *ReadOnlyLinesView::createStandardContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menuEntry(
        menu, tr("&Copy"), QKeySequence::Copy, QStringLiteral("edit-copy"), !m_selection.isEmpty());
    connect(copyAction, &QAction::triggered, this, [this] { copy(); });
    menu->addAction(copyAction);
    menu->addSeparator();
    QAction *selectAllAction = menuEntry(menu, tr("Select All"), QKeySequence::SelectAll,
        QStringLiteral("select-all"), !m_lines.isEmpty());
    connect(selectAllAction, &QAction::triggered, this, [this] { selectAll(); });
    menu->addAction(selectAllAction);
    return menu;
}

bool ReadOnlyLinesView::event(QEvent *event)
{
    // The view's own keys come before any shortcut of the window's.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ReadOnlyLinesView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_widest = 0;
        m_widestLine = 0;
        updateGeometries();
        updateScrollBars();
    }
}

int ReadOnlyLinesView::rowHeight() const
{
    return qMax(1, fontMetrics().lineSpacing());
}

// The text's top margin scrolls away with the first line.
int ReadOnlyLinesView::textTop(int first) const
{
    return first == 0 ? textMargin : 0;
}

// Rows wholly in sight with `first` at the top.
int ReadOnlyLinesView::rowsFitting(int first) const
{
    return (viewport()->height() - textTop(first)) / rowHeight();
}

QList<SwatchMargin::ShownLine> ReadOnlyLinesView::shownBetween(int top, int bottom) const
{
    const int first = verticalScrollBar()->value();
    const int height = rowHeight();
    int rowTop = textTop(first);
    QList<SwatchMargin::ShownLine> shown;
    for (qsizetype line = first; line < m_lines.size() && rowTop <= bottom; ++line) {
        if (rowTop + height > top)
            shown.append({ int(line), rowTop, height });
        rowTop += height;
    }
    return shown;
}

std::optional<QString> ReadOnlyLinesView::textOf(int line) const
{
    return line >= 0 && line < m_lines.size() ? std::optional(m_lines.at(line)) : std::nullopt;
}

QString ReadOnlyLinesView::markOf(int) const
{
    return QString();
}

void ReadOnlyLinesView::layOut(QTextLayout &layout, qsizetype line)
{
    layout.setText(shownLine(line));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine text = layout.createLine();
    text.setLeadingIncluded(true);
    // At 0, not at the margin: tab stops count from the line's own start.
    text.setPosition(QPointF(0, 0));
    layout.endLayout();
    if (text.naturalTextWidth() > m_widest) {
        m_widest = text.naturalTextWidth();
        m_widestLine = line;
        // Not while painting: a new range may bring in a scroll bar and resize the viewport.
        if (!m_rangeDue) {
            m_rangeDue = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_rangeDue = false;
                    updateScrollBars();
                },
                Qt::QueuedConnection);
        }
    }
}

void ReadOnlyLinesView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QPalette::ColorGroup group = m_focused ? QPalette::Active : QPalette::Inactive;
    QTextLayout::FormatRange selected;
    selected.format.setBackground(palette().brush(group, QPalette::Highlight));
    selected.format.setForeground(palette().brush(group, QPalette::HighlightedText));
    painter.setPen(palette().color(QPalette::Text));
    const int left = textMargin - horizontalScrollBar()->value();
    for (const SwatchMargin::ShownLine &row :
        shownBetween(event->rect().top(), event->rect().bottom())) {
        QTextLayout layout;
        layOut(layout, row.number);
        QList<QTextLayout::FormatRange> selections;
        const auto [from, length] = m_selection.columnsOf(row.number, layout.text().size());
        if (length > 0) {
            selected.start = int(from);
            selected.length = int(length);
            selections.append(selected);
        }
        const QPointF offset(left, row.top);
        layout.draw(&painter, offset, selections);
        if (m_focused && m_selection.caret.line == row.number)
            layout.drawCursor(&painter, offset, int(m_selection.caret.column));
    }
}

void ReadOnlyLinesView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateGeometries();
    updateScrollBars();
}

void ReadOnlyLinesView::updateGeometries()
{
    const int width = m_margin->preferredWidth();
    setViewportMargins(width, 0, 0, 0);
    const QRect contents = contentsRect();
    m_margin->setGeometry(contents.left(), contents.top(), width, contents.height());
}

void ReadOnlyLinesView::updateScrollBars()
{
    // The last line may scroll up as far as the text's bottom margin shows below it.
    const int rows = qMax(1, (viewport()->height() - textMargin - 1) / rowHeight());
    const int count = int(m_lines.size());
    verticalScrollBar()->setRange(0, qMax(0, count - rows));
    verticalScrollBar()->setPageStep(qMax(1, qMin(rows, count)));
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, qMax(0, qCeil(m_widest) + 2 * textMargin - width));
    horizontalScrollBar()->setPageStep(width);
}

void ReadOnlyLinesView::scrollContentsBy(int, int)
{
    viewport()->update();
    m_margin->update();
}

qreal ReadOnlyLinesView::xOf(LinePlace place)
{
    QTextLayout layout;
    layOut(layout, place.line);
    return layout.lineAt(0).cursorToX(int(place.column));
}

LinePlace ReadOnlyLinesView::placeAtX(qsizetype line, qreal x)
{
    QTextLayout layout;
    layOut(layout, line);
    return { line, layout.lineAt(0).xToCursor(x) };
}

LinePlace ReadOnlyLinesView::placeAt(const QPoint &position)
{
    if (m_lines.isEmpty())
        return {};
    const int first = verticalScrollBar()->value();
    const int y = position.y() - textTop(first);
    const qsizetype below = y < 0 ? -1 : y / rowHeight();
    const qsizetype line = qBound(qsizetype(0), first + below, m_lines.size() - 1);
    return placeAtX(line, position.x() + horizontalScrollBar()->value() - textMargin);
}

LinePlace ReadOnlyLinesView::linesAway(qsizetype lines)
{
    const LinePlace caret = m_selection.caret;
    if (m_caretX < 0)
        m_caretX = xOf(caret);
    return placeAtX(qBound(qsizetype(0), caret.line + lines, m_lines.size() - 1), m_caretX);
}

// Past either end of a line, a step goes on to the next line or back to the previous one.
LinePlace ReadOnlyLinesView::stepped(int direction, QTextLayout::CursorMode mode)
{
    const LinePlace caret = m_selection.caret;
    const qsizetype length = m_lines.at(caret.line).size();
    if (direction < 0 && caret.column == 0)
        return caret.line == 0 ? caret
                               : LinePlace { caret.line - 1, m_lines.at(caret.line - 1).size() };
    if (direction > 0 && caret.column == length)
        return caret.line == m_lines.size() - 1 ? caret : LinePlace { caret.line + 1, 0 };
    QTextLayout layout;
    layOut(layout, caret.line);
    const int column = int(caret.column);
    return { caret.line,
        direction < 0 ? layout.previousCursorPosition(column, mode)
                      : layout.nextCursorPosition(column, mode) };
}

LinePlace ReadOnlyLinesView::placeAfter(CaretMotion motion)
{
    const LinePlace caret = m_selection.caret;
    const qsizetype last = m_lines.size() - 1;
    if (motion != CaretMotion::PreviousLine && motion != CaretMotion::NextLine
        && motion != CaretMotion::PreviousPage && motion != CaretMotion::NextPage)
        m_caretX = -1;
    switch (motion) {
    case CaretMotion::PreviousCharacter:
        return stepped(-1, QTextLayout::SkipCharacters);
    case CaretMotion::NextCharacter:
        return stepped(1, QTextLayout::SkipCharacters);
    case CaretMotion::PreviousWord:
        return stepped(-1, QTextLayout::SkipWords);
    case CaretMotion::NextWord:
        return stepped(1, QTextLayout::SkipWords);
    case CaretMotion::PreviousLine:
        return linesAway(-1);
    case CaretMotion::NextLine:
        return linesAway(1);
    case CaretMotion::PreviousPage:
        return paged(-1);
    case CaretMotion::NextPage:
        return paged(1);
    case CaretMotion::StartOfLine:
        return { caret.line, 0 };
    case CaretMotion::EndOfLine:
        return { caret.line, m_lines.at(caret.line).size() };
    case CaretMotion::StartOfText:
        return {};
    case CaretMotion::EndOfText:
        return { last, m_lines.at(last).size() };
    }
    return caret;
}

// As a plain text view pages: the rows scroll by those wholly in sight and the caret keeps its
// height in the view, or goes to the first or last line when there is no further page.
LinePlace ReadOnlyLinesView::paged(int direction)
{
    ensureCaretVisible();
    const qsizetype line = m_selection.caret.line;
    QScrollBar *rows = verticalScrollBar();
    const int first = rows->value();
    const int height = rowHeight();
    const int caretY = int(line - first) * height + textTop(first);
    if (direction > 0 && first + rowsFitting(first) >= m_lines.size())
        return linesAway(m_lines.size() - 1 - line);
    if (direction < 0 && first == 0)
        return linesAway(-line);
    rows->setValue(first + direction * rowsFitting(first));
    const int top = rows->value();
    const int below = caretY - textTop(top);
    // Down, the caret goes to the first row at or below its height; up, to the row it is in.
    const int rowsBelow = direction > 0 ? (below + height - 1) / height : below / height;
    return linesAway(top + rowsBelow - line);
}

void ReadOnlyLinesView::moveCaret(LinePlace place, bool select)
{
    m_selection.caret = place;
    if (!select)
        m_selection.anchor = place;
    viewport()->update();
}

// As a plain text view does it: a caret above the rows in sight comes to the top, one below
// them to the bottom, and one out of sight sideways to the middle.
void ReadOnlyLinesView::ensureCaretVisible()
{
    if (m_lines.isEmpty())
        return;
    const int line = int(m_selection.caret.line);
    QScrollBar *rows = verticalScrollBar();
    if (line < rows->value())
        rows->setValue(line);
    else if (line >= rows->value() + rowsFitting(rows->value()))
        rows->setValue(line - viewport()->height() / rowHeight() + 1);

    const int x = textMargin + qRound(xOf(m_selection.caret));
    updateScrollBars();
    QScrollBar *sideways = horizontalScrollBar();
    const int width = viewport()->width();
    if (x < sideways->value() || x > sideways->value() + width)
        sideways->setValue(x - width / 2);
}

void ReadOnlyLinesView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (const std::optional<CaretKey> key = caretKeyOf(*event)) {
        if (!m_lines.isEmpty()) {
            moveCaret(placeAfter(key->motion), key->selects);
            ensureCaretVisible();
        }
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ReadOnlyLinesView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_caretX = -1;
    const QPoint position = event->position().toPoint();
    const bool thirdClick = m_sinceDoubleClick.isValid()
        && !m_sinceDoubleClick.hasExpired(QApplication::doubleClickInterval())
        && (position - m_doubleClickedAt).manhattanLength() < QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    if (thirdClick && !m_lines.isEmpty()) {
        const qsizetype line = placeAt(position).line;
        const LinePlace end = line + 1 < m_lines.size()
            ? LinePlace { line + 1, 0 }
            : LinePlace { line, m_lines.at(line).size() };
        m_selection = { { line, 0 }, end };
        viewport()->update();
        offerSelection();
        return;
    }
    const bool extends = event->modifiers() & Qt::ShiftModifier;
    if (!extends && onSelectedText(position)) {
        m_dragFrom = position;
        return;
    }
    m_selecting = true;
    moveCaret(placeAt(position), extends);
}

// A press on selected text may begin a drag of it, as in a text view.
bool ReadOnlyLinesView::onSelectedText(const QPoint &position)
{
    if (m_selection.isEmpty())
        return false;
    const LinePlace place = placeAt(position);
    const qreal x = position.x() + horizontalScrollBar()->value() - textMargin;
    return place >= m_selection.start() && place <= m_selection.end()
        && x <= xOf({ place.line, m_lines.at(place.line).size() });
}

// Two clicks select the word under the pointer, three the line and its line break.
void ReadOnlyLinesView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_lines.isEmpty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const LinePlace place = placeAt(event->position().toPoint());
    const auto [start, end] = clickedWord(shownLine(place.line), int(place.column));
    m_selection = { { place.line, start }, { place.line, end } };
    m_doubleClickedAt = event->position().toPoint();
    m_sinceDoubleClick.start();
    m_selecting = false;
    viewport()->update();
    offerSelection();
}

void ReadOnlyLinesView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragFrom) {
        if ((event->position().toPoint() - *m_dragFrom).manhattanLength()
            >= QApplication::startDragDistance()) {
            m_dragFrom.reset();
            auto *data = new QMimeData;
            data->setText(selectedText());
            auto *drag = new QDrag(this);
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction);
        }
        return;
    }
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // Dragged past an edge, the view scrolls on towards it.
    moveCaret(placeAt(event->position().toPoint()), true);
    ensureCaretVisible();
}

void ReadOnlyLinesView::mouseReleaseEvent(QMouseEvent *event)
{
    // A press on the selection that did not become a drag is a click there.
    if (m_dragFrom) {
        moveCaret(placeAt(*m_dragFrom), false);
        m_dragFrom.reset();
        return;
    }
    if (!m_selecting || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    offerSelection();
}

// Where the platform has a selection clipboard, text selected by the mouse goes there.
void ReadOnlyLinesView::offerSelection() const
{
    QClipboard *clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection() && !m_selection.isEmpty())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// Control and the wheel change the text's size, as in a read-only plain text view.
void ReadOnlyLinesView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    QFont larger = font();
    const qreal size = larger.pointSizeF() + event->angleDelta().y() / 120.0;
    if (size > 0) {
        larger.setPointSizeF(size);
        setFont(larger);
    }
}

void ReadOnlyLinesView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// The caret shows, and the selection has the active colours, only while the view has focus;
// a context menu takes it too, though the view stays the window's focus widget.
void ReadOnlyLinesView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_focused = true;
    viewport()->update();
}

void ReadOnlyLinesView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_focused = false;
    viewport()->update();
}
