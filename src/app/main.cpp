#include "base/platformmemory.h"
#include "base/terminationdeferred.h"
#include "ui/fileatstart.h"
#include "ui/kalidorapplication.h"
#include "ui/unitKalidorTabbed.h"

int main(int argc, char **argv)
{
    PlatformMemory::returnLargeBuffersWhenFreed();
    // Before any thread starts: a polite signal waits for a save's commit (see FileSave).
    installTerminationHandlers();
    KalidorApplication application(argc, argv);
    const std::optional<QString> file = fileToOpenAtStart(application.arguments());
    TTabbedForm TabbedForm;
    TabbedForm.show();
    if (file)
        TabbedForm.openKalidorFile(*file);
    return application.exec();
}
