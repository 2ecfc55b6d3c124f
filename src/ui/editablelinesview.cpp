#include "editablelinesview.h"

#include "heldlines.h"
#include "menuentry.h"
#include "swatchtextview.h"
#include "textedits.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

namespace {

int positionOf(const QTextDocument &document, LinePlace place)
{
    return document.findBlockByNumber(int(place.line)).position() + int(place.column);
}

bool clipboardHasText(QClipboard::Mode mode)
{
    const QMimeData *data = QApplication::clipboard()->mimeData(mode);
    return data && data->hasText();
}

} // namespace

EditableLinesView::EditableLinesView(SwatchMargin::ColourReader reader, QWidget *parent)
    : ReadOnlyLinesView(reader, true, parent)
    , m_reader(std::move(reader))
{
    setAttribute(Qt::WA_InputMethodEnabled);
}

void EditableLinesView::clear()
{
    if (m_text) {
        const bool focused = m_text->hasFocus();
        m_rows.reset();
        delete m_text;
        m_text = nullptr;
        if (focused)
            setFocus();
        showScrollBars(Qt::ScrollBarAsNeeded);
    }
    m_marks.clear();
    ReadOnlyLinesView::clear();
}

void EditableLinesView::append(const QString &row)
{
    ReadOnlyLinesView::append(row);
    if (m_rows)
        m_rows->append(row);
}

void EditableLinesView::showNewRows()
{
    ReadOnlyLinesView::showNewRows();
    if (m_rows)
        m_rows->showNewRows();
}

void EditableLinesView::setMarks(const QMap<int, QString> &reasonsByLine)
{
    m_marks = reasonsByLine;
    if (m_text)
        m_text->setMarks(reasonsByLine);
    updateMargin();
}

QStringList EditableLinesView::lines() const
{
    return m_text ? HeldLines::shownBy(*m_text->document(), heldLines()) : heldLines();
}

QString EditableLinesView::markOf(int line) const
{
    return m_text ? m_text->markOf(line) : m_marks.value(line);
}

SwatchTextView &EditableLinesView::becomeText()
{
    if (m_text)
        return *m_text;
    auto *text = new SwatchTextView(m_reader, true, this);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setAcceptDrops(acceptDrops());
    text->setGeometry(rect());
    text->show();
    QStringList shown;
    shown.reserve(lineCount());
    for (qsizetype line = 0; line < lineCount(); ++line)
        shown.append(shownLine(line));
    text->setPlainText(shown.join(u'\n'));
    QTextBlock block = text->document()->begin();
    for (qsizetype line = 0; line < lineCount(); ++line, block = block.next())
        HeldLines::mark(block, line);
    text->setMarks(m_marks);
    QTextCursor cursor(text->document());
    cursor.setPosition(positionOf(*text->document(), selection().anchor));
    cursor.setPosition(positionOf(*text->document(), selection().caret), QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    text->verticalScrollBar()->setValue(verticalScrollBar()->value());
    // The text view shows or hides its scroll bars on a queued call, and measures lines as it
    // lays them out, anew when its width changes. Once its scroll bars are in place and it has
    // measured the widest line this view has, it can scroll sideways as far as this view.
    QCoreApplication::sendPostedEvents(text, QEvent::MetaCall);
    text->document()->documentLayout()->blockBoundingRect(
        text->document()->findBlockByNumber(int(widestLine())));
    QCoreApplication::sendPostedEvents(text, QEvent::MetaCall);
    text->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    // This view's own scroll bars would show over the text view's: a scroll area keeps its
    // scroll bars above its other children.
    showScrollBars(Qt::ScrollBarAlwaysOff);
    // Right after this view in the focus chain, where the operator would look for it.
    setTabOrder(this, text);
    m_text = text;
    m_rows.emplace(text, lineCount());
    if (hasFocus())
        text->setFocus();
    return *text;
}

void EditableLinesView::showScrollBars(Qt::ScrollBarPolicy policy)
{
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

QMenu *EditableLinesView::createStandardContextMenu()
{
    QMenu *menu = ReadOnlyLinesView::createStandardContextMenu();
    QAction *copy = menu->actions().constFirst();
    QAction *afterCopy = menu->actions().at(1);
    const bool selected = !selection().isEmpty();
    // Nothing to undo before the first edit.
    menu->insertAction(
        copy, menuEntry(menu, tr("&Undo"), QKeySequence::Undo, QStringLiteral("edit-undo"), false));
    menu->insertAction(
        copy, menuEntry(menu, tr("&Redo"), QKeySequence::Redo, QStringLiteral("edit-redo"), false));
    menu->insertSeparator(copy);
    QAction *cut
        = menuEntry(menu, tr("Cu&t"), QKeySequence::Cut, QStringLiteral("edit-cut"), selected);
    connect(cut, &QAction::triggered, this, [this] { becomeText().cut(); });
    menu->insertAction(copy, cut);
    QAction *paste = menuEntry(menu, tr("&Paste"), QKeySequence::Paste,
        QStringLiteral("edit-paste"), clipboardHasText(QClipboard::Clipboard));
    connect(paste, &QAction::triggered, this, [this] { becomeText().paste(); });
    menu->insertAction(afterCopy, paste);
    QAction *remove = menuEntry(
        menu, tr("Delete"), QKeySequence::UnknownKey, QStringLiteral("edit-delete"), selected);
    connect(remove, &QAction::triggered, this,
        [this] { becomeText().textCursor().removeSelectedText(); });
    menu->insertAction(afterCopy, remove);
    return menu;
}

bool EditableLinesView::event(QEvent *event)
{
    // Typing and editing keys are the view's, not shortcuts of the window's.
    if (event->type() == QEvent::ShortcutOverride && editsText(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return ReadOnlyLinesView::event(event);
}

bool EditableLinesView::focusNextPrevChild(bool)
{
    return false;
}

void EditableLinesView::keyPressEvent(QKeyEvent *event)
{
    if (editsText(*event))
        QApplication::sendEvent(&becomeText(), event);
    else
        ReadOnlyLinesView::keyPressEvent(event);
}

void EditableLinesView::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty() && event->preeditString().isEmpty())
        ReadOnlyLinesView::inputMethodEvent(event);
    else
        QApplication::sendEvent(&becomeText(), event);
}

// Where the platform has a selection clipboard, a middle click pastes it, as in a text view.
void EditableLinesView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::MiddleButton || !QApplication::clipboard()->supportsSelection()
        || !clipboardHasText(QClipboard::Selection)) {
        ReadOnlyLinesView::mouseReleaseEvent(event);
        return;
    }
    QWidget *textViewport = becomeText().viewport();
    QMouseEvent release(event->type(), event->position(), event->scenePosition(),
        event->globalPosition(), event->button(), event->buttons(), event->modifiers());
    QApplication::sendEvent(textViewport, &release);
}

// An editable text view scrolls on Control and the wheel; only a read-only one sizes its text.
void EditableLinesView::wheelEvent(QWheelEvent *event)
{
    QAbstractScrollArea::wheelEvent(event);
}

void EditableLinesView::resizeEvent(QResizeEvent *event)
{
    ReadOnlyLinesView::resizeEvent(event);
    if (m_text)
        m_text->setGeometry(rect());
}

// Once edited, the text view takes the focus given to this one.
void EditableLinesView::focusInEvent(QFocusEvent *event)
{
    ReadOnlyLinesView::focusInEvent(event);
    if (m_text)
        m_text->setFocus(event->reason());
}
