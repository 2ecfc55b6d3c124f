#pragma once

#include "swatchmargin.h"

#include <QPlainTextEdit>
#include <QStringList>

class QTextBlock;

// An editable text view with a swatch margin (see SwatchMargin) on its left. The text, its
// selection and its copy are those of a plain text view.
class SwatchTextView : public QPlainTextEdit, private SwatchMargin::Lines {
    Q_OBJECT

public:
    // `withMarks` makes room in the margin for the warning marks.
    SwatchTextView(SwatchMargin::ColourReader reader, bool withMarks, QWidget *parent = nullptr);

    // Marks the lines given by number with their reasons, in place of any earlier marks.
    // A mark stays with its line when the text is edited and goes with it.
    void setMarks(const QMap<int, QString> &reasonsByLine);
    QString markOf(int line) const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<SwatchMargin::ShownLine> shownBetween(int top, int bottom) const override;
    std::optional<QString> textOf(int line) const override;
    void updateMargin(const QRect &rect, int dy);

    QStringList m_reasons;
    SwatchMargin *m_margin;
};
