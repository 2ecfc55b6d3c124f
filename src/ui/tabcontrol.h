#pragma once

#include <QTabWidget>

// A tab control whose visible tab headers share its full width equally, at a fixed height.
class TabControl : public QTabWidget {
    Q_OBJECT

public:
    static constexpr int headerHeight = 49;

    explicit TabControl(QWidget *parent);
};
