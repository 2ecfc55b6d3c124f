#include "guidestyle.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {
const QColor headingColour(0x1a, 0x3a, 0x6b);
const QColor ruleColour(0x9a, 0xa5, 0xb4);
const QColor tableHeaderFill(0xe6, 0xec, 0xf5);
const QColor codeFill(0xf2, 0xf3, 0xf5);
const QString monospaceFamily = QStringLiteral("DejaVu Sans Mono");

// Point sizes of heading levels 1 to 4; deeper levels use the last.
const qreal headingPointSizes[] = { 22, 15, 12, 10.5 };
// Space above a heading, in the layout's units (1/96 inch), by level.
const qreal headingTopMargins[] = { 0, 22, 14, 10 };

void styleHeading(QTextCursor cursor, int level)
{
    const int index = qMin(level, 4) - 1;
    QTextBlockFormat block = cursor.blockFormat();
    block.setTopMargin(headingTopMargins[index]);
    block.setBottomMargin(level == 1 ? 4 : 6);
    cursor.setBlockFormat(block);

    cursor.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat text;
    text.setFontPointSize(headingPointSizes[index]);
    text.setFontWeight(QFont::Bold);
    text.setForeground(headingColour);
    cursor.mergeCharFormat(text);
}

// The Markdown import marks code with a fixed-pitch font of the platform's choosing; the guide
// names one that is sure to be embedded the same on every build machine.
void styleCodeFragments(QTextDocument &document, const QFont &bodyFont)
{
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.fontFixedPitch() && !format.font().fixedPitch())
                continue;
            QTextCharFormat code;
            code.setFontFamilies({ monospaceFamily });
            code.setFontFixedPitch(true);
            code.setFontPointSize(bodyFont.pointSizeF() * 0.92);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(code);
        }
    }
}

void styleTable(QTextTable *table)
{
    QTextTableFormat format = table->format();
    format.setBorder(0.75);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(ruleColour);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(4);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setTopMargin(4);
    format.setBottomMargin(10);
    // A table that runs onto the next page repeats its header row there.
    format.setHeaderRowCount(1);
    table->setFormat(format);

    for (int column = 0; column < table->columns(); ++column) {
        QTextTableCell cell = table->cellAt(0, column);
        QTextCharFormat cellFormat = cell.format();
        cellFormat.setBackground(tableHeaderFill);
        cell.setFormat(cellFormat);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
    }
}

void styleTables(QTextFrame *frame)
{
    const QList<QTextFrame *> children = frame->childFrames();
    for (QTextFrame *child : children) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            styleTable(table);
        styleTables(child);
    }
}

// The Markdown import also leaves the code-block mark on the first cell of a table that follows a
// code block, so cells never count as code lines.
bool isCodeLine(const QTextBlock &block)
{
    return block.isValid() && block.blockFormat().hasProperty(QTextFormat::BlockCodeFence)
        && !QTextCursor(block).currentTable();
}

// Lines of one code block sit flush on one grey band; a little space closes the band off.
void styleCodeLine(QTextCursor cursor, const QTextBlock &block)
{
    QTextBlockFormat format = block.blockFormat();
    format.setBackground(codeFill);
    format.setLeftMargin(0);
    format.setTopMargin(isCodeLine(block.previous()) ? 0 : 2);
    format.setBottomMargin(isCodeLine(block.next()) ? 0 : 8);
    cursor.setBlockFormat(format);
}
} // namespace

void applyGuideStyle(QTextDocument &document, const QFont &bodyFont)
{
    document.setDefaultFont(bodyFont);
    document.setDocumentMargin(0);

    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        const int level = block.blockFormat().headingLevel();
        if (level > 0) {
            styleHeading(cursor, level);
            continue;
        }
        if (isCodeLine(block)) {
            styleCodeLine(cursor, block);
            continue;
        }
        QTextBlockFormat format = block.blockFormat();
        format.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
        // Cells get their space from the table's padding; the import gives some of them margins.
        if (cursor.currentTable()) {
            format.setTopMargin(0);
            format.setBottomMargin(0);
        } else if (!block.textList()) {
            format.setBottomMargin(qMax<qreal>(format.bottomMargin(), 6));
        }
        cursor.setBlockFormat(format);
    }
    styleCodeFragments(document, bodyFont);
    styleTables(document.rootFrame());
}
