#pragma once

#include <QApplication>

// The application object. Its one addition: an error that escapes the handling of an event
// goes to the general error handler instead of ending the program.
class KalidorApplication : public QApplication {
    Q_OBJECT

public:
    KalidorApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
