#pragma once

#include "scripteddialogs.h"
#include "ui/unitKalidorTabbed.h"
#include "viewtext.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// A shown main window whose dialogs answer from a script.
class WindowFixture {
public:
    WindowFixture()
    {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form = std::make_unique<TTabbedForm>(std::move(scripted));
        form->show();
        exposed = QTest::qWaitForWindowExposed(form.get());
    }

    template<class T> T *child(const char *name) const
    {
        auto *found = form->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    // The lines the view named `view` shows, whichever kind of view it is.
    QStringList lines(const char *view) const
    {
        if (const auto *output = form->findChild<EditableLinesView *>(QString::fromLatin1(view)))
            return viewLines(output);
        return viewLines(child<ReadOnlyLinesView>(view));
    }

    // Presses the button named `name` as the operator would.
    void press(const char *name) const;

    ScriptedDialogs *dialogs = nullptr;
    std::unique_ptr<TTabbedForm> form;
    bool exposed = false;
};

// Calls `sample` each time events are processed, also inside a handler that lets them run,
// for as long as it lives.
class EventSampler {
public:
    explicit EventSampler(std::function<void()> sample)
    {
        QObject::connect(&m_timer, &QTimer::timeout, std::move(sample));
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

// Appends `value` unless it is the last one already: the values something went through.
template<class T> void appendChange(QList<T> &seen, const T &value)
{
    if (seen.isEmpty() || seen.last() != value)
        seen.append(value);
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}
