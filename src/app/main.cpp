#include "ui/kalidorapplication.h"
#include "ui/unitKalidorTabbed.h"

int main(int argc, char **argv)
{
    KalidorApplication application(argc, argv);
    TTabbedForm TabbedForm;
    TabbedForm.show();
    return application.exec();
}
