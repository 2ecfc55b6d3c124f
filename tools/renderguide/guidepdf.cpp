#include "guidepdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>

namespace {
const QMarginsF pageMarginsMm(22, 20, 22, 14);
constexpr qreal footerHeightMm = 10;

// The guide's screenshots are of a window about 760 pixels wide: that width fills the text
// width, and narrower ones keep their size beside it. `textWidth` is in the units of image
// sizes, which the layout takes at 96 dots per inch whatever the paint device.
void fitImagesToPage(QTextDocument &document, qreal textWidth)
{
    constexpr qreal fullWidthPixels = 760;
    // Found first and changed afterwards: a format change reshapes the fragments.
    QList<std::pair<int, QTextImageFormat>> images;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (format.isImageFormat())
                images.append({ fragment.fragment().position(), format.toImageFormat() });
        }
    }
    for (auto &[position, format] : images) {
        const QImage image
            = document.resource(QTextDocument::ImageResource, format.name()).value<QImage>();
        if (image.isNull())
            continue;
        const qreal width = textWidth * qMin<qreal>(1, image.width() / fullWidthPixels);
        format.setWidth(width);
        format.setHeight(width * image.height() / image.width());
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

int pageOf(qreal y, qreal pageHeight)
{
    return int(std::floor(y / pageHeight));
}

// QTextDocument has no "keep with next": a heading left alone at the foot of a page is moved to
// the next page when the first lines of what follows it would land there.
bool moveOneStrandedHeading(QTextDocument &document, qreal pageHeight, qreal lineHeight)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() == 0 || !block.next().isValid()
            || format.pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore)
            continue;
        const QRectF heading = layout->blockBoundingRect(block);
        const QRectF next = layout->blockBoundingRect(block.next());
        const qreal nextLines = next.top() + qMin(next.height(), 2 * lineHeight);
        if (pageOf(heading.top(), pageHeight) == pageOf(nextLines, pageHeight))
            continue;
        QTextBlockFormat moved = format;
        moved.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(moved);
        return true;
    }
    return false;
}

void keepHeadingsWithText(QTextDocument &document, qreal pageHeight, qreal lineHeight)
{
    // Qt's incremental relayout after a page break loses blocks further down, so every move is
    // followed by a full relayout before the next heading is measured.
    while (moveOneStrandedHeading(document, pageHeight, lineHeight))
        document.markContentsDirty(0, document.characterCount());
}

void drawFooter(QPainter &painter, const QRectF &area, const QString &title, int page, int pages,
    const QFont &font)
{
    painter.save();
    painter.setPen(QPen(QColor(0x9a, 0xa5, 0xb4), 0));
    painter.drawLine(area.topLeft(), area.topRight());
    QFont small = font;
    small.setPointSizeF(8);
    painter.setFont(small);
    painter.setPen(QColor(0x55, 0x5f, 0x6d));
    const QRectF textArea = area.adjusted(0, area.height() * 0.25, 0, 0);
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(textArea, Qt::AlignRight | Qt::AlignTop,
        QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    painter.restore();
}
} // namespace

bool writeGuidePdf(QTextDocument &document, const QString &title, const QString &pdfPath)
{
    QPdfWriter writer(pdfPath);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("KALIDOR to Delvane guide renderer"));
    writer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, pageMarginsMm, QPageLayout::Millimeter));

    QPainter painter;
    if (!painter.begin(&writer))
        return false;

    // Lay the text out in the writer's own units so that what is measured is what is printed.
    document.documentLayout()->setPaintDevice(&writer);
    const qreal pixelsPerMm = writer.resolution() / 25.4;
    const qreal footerHeight = footerHeightMm * pixelsPerMm;
    const QSizeF body(writer.width(), writer.height() - footerHeight);
    document.setPageSize(body);
    constexpr qreal imageDpi = 96;
    fitImagesToPage(
        document, (body.width() - 2 * document.documentMargin()) * imageDpi / writer.logicalDpiX());
    // Qt's incremental relayout after a format change loses blocks, as after a page break below.
    document.markContentsDirty(0, document.characterCount());
    const qreal lineHeight = QFontMetricsF(document.defaultFont(), &writer).lineSpacing() * 1.18;
    keepHeadingsWithText(document, body.height(), lineHeight);

    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        const QRectF view(0, page * body.height(), body.width(), body.height());
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        drawFooter(painter, QRectF(0, body.height(), body.width(), footerHeight), title, page + 1,
            pages, document.defaultFont());
    }
    return painter.end();
}
