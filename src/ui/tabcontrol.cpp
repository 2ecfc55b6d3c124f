#include "tabcontrol.h"

#include <QTabBar>

namespace {

// Each visible tab asks for an equal share of the bar's width, which document mode makes the
// tab control's full width; the last visible one also takes the pixels that do not divide
// evenly. The bar lays its tabs out again whenever it is resized.
class EqualTabBar : public QTabBar {
public:
    explicit EqualTabBar(QWidget *parent)
        : QTabBar(parent)
    {
        setElideMode(Qt::ElideRight);
        setDrawBase(false);
    }

protected:
    QSize tabSizeHint(int index) const override
    {
        int visible = 0;
        int lastVisible = -1;
        for (int i = 0; i < count(); ++i) {
            if (isTabVisible(i)) {
                ++visible;
                lastVisible = i;
            }
        }
        const int total = width();
        const int share = total / qMax(1, visible);
        const int width = index == lastVisible ? total - share * (visible - 1) : share;
        return { width, TabControl::headerHeight };
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

} // namespace

TabControl::TabControl(QWidget *parent)
    : QTabWidget(parent)
{
    setTabBar(new EqualTabBar(this));
    // In document mode the tab bar spans the control's whole width.
    setDocumentMode(true);
}
