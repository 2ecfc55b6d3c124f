#pragma once

#include "base/progressschedule.h"

#include <QWidget>

// A flat progress bar drawn as a gradient rectangle that grows to the right from a fixed
// left edge. It floats over the pages as a direct child of the window.
class ProgressIndicator : public QWidget {
    Q_OBJECT

public:
    static constexpr int fullWidth = ProgressSchedule::fullWidth;
    static constexpr int barHeight = 25;

    explicit ProgressIndicator(QWidget *parent);

    // Sets the width, 0 (empty) to fullWidth; the left edge stays put and a hidden bar stays
    // hidden.
    void setBarWidth(int width);

protected:
    void paintEvent(QPaintEvent *event) override;
};
