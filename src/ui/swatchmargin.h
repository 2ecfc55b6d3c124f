#pragma once

#include "labtosrgb.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

struct LabValues;

// The strip on the left of a view of lines: beside each line that is a colour, a small swatch
// of it, and beside a line that has a warning, a mark whose tooltip gives the reason. Only the
// lines in sight are read and converted, when the strip is painted. The view places the strip
// over its left viewport margin, so that a height in the viewport is the same height here.
class SwatchMargin : public QWidget {
    Q_OBJECT

public:
    // The colour a line stands for, read from its number and its text; nothing when the line
    // is no colour.
    using ColourReader = std::function<std::optional<LabValues>(int line, const QString &text)>;

    // A line and where the view shows it.
    struct ShownLine {
        int number;
        int top;
        int height;
    };

    // What the strip asks of the view beside it.
    class Lines {
    public:
        virtual ~Lines() = default;
        // The lines shown between two heights, top to bottom.
        virtual QList<ShownLine> shownBetween(int top, int bottom) const = 0;
        // A line's text; nothing past the last line.
        virtual std::optional<QString> textOf(int line) const = 0;
        // The reason a line is marked with; empty when it is not marked.
        virtual QString markOf(int line) const = 0;
    };

    // `withMarks` makes room for the warning marks. `view` is the strip's parent and `lines`,
    // usually the same object.
    SwatchMargin(const Lines &lines, ColourReader reader, bool withMarks, QWidget *view);

    // The swatch of a line, nothing when the line is no colour.
    std::optional<ScreenColour> swatchOf(int line) const;
    // Where a swatch sits in a row `height` high.
    QRect swatchRect(int top, int height) const;
    // The width the strip takes from the view.
    int preferredWidth() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect markRect(int top, int height) const;
    void paintSwatch(QPainter &painter, const ScreenColour &swatch, const QRect &square) const;
    QString tooltipAt(int y) const;

    const Lines &m_lines;
    ColourReader m_reader;
    bool m_withMarks;
    LabToSrgb m_toSrgb;
};
