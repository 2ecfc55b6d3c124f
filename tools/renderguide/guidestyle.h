#pragma once

class QFont;
class QTextDocument;

// The look of the printed guide on top of what the Markdown import gives: a body font, heading
// sizes and colours, paragraph spacing and ruled tables. Markdown itself carries no styling.
void applyGuideStyle(QTextDocument &document, const QFont &bodyFont);
