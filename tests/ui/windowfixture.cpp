#include "windowfixture.h"

#include <QPushButton>

void WindowFixture::press(const char *name) const
{
    QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
}
