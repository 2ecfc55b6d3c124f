#pragma once

#include "labtosrgb.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <functional>
#include <optional>

struct LabValues;
class QTextBlock;

// A text view with a margin on its left that shows, beside each line that is a colour, a small
// swatch of it, and beside a line that has a warning, a mark whose tooltip gives the reason.
// The text, its selection and its copy are those of a plain text view. Only the lines in sight
// are read and converted, when the margin is painted.
class SwatchTextView : public QPlainTextEdit {
    Q_OBJECT

public:
    // The colour a line stands for, read from its text and its number; nothing when the line
    // is no colour.
    using ColourReader = std::function<std::optional<LabValues>(const QTextBlock &)>;

    // `withMarks` makes room in the margin for the warning marks.
    SwatchTextView(ColourReader reader, bool withMarks, QWidget *parent = nullptr);

    // Marks the lines given by number with their reasons, in place of any earlier marks.
    // A mark stays with its line when the text is edited and goes with it.
    void setMarks(const QMap<int, QString> &reasonsByLine);
    // The reason a line is marked with, empty when it is not marked.
    QString markOf(int line) const;
    // The swatch of a line, nothing when the line is no colour.
    std::optional<ScreenColour> swatchOf(int line) const;

    // The margin's width, and where a swatch sits in a row `height` high.
    int marginWidth() const;
    QRect swatchRect(int top, int height) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class Margin;
    friend class Margin;

    QRect markRect(int top, int height) const;
    // The line shown at height `y` of the viewport, if any.
    QTextBlock blockAt(int y) const;
    std::optional<ScreenColour> swatchOf(const QTextBlock &block) const;
    QString markOf(const QTextBlock &block) const;
    QString tooltipAt(const QPoint &marginPosition) const;
    void paintMargin(QPaintEvent *event);
    void updateMargin(const QRect &rect, int dy);

    ColourReader m_reader;
    bool m_withMarks;
    LabToSrgb m_toSrgb;
    QStringList m_reasons;
    Margin *m_margin;
};
