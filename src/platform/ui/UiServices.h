#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Everything the logic asks of the user interface goes through this interface:
// the program installs the Qt implementation, tests a recording one.
class UiServices
{
public:
    enum class Kind { Error, Warning, Information, Confirmation };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~UiServices() = default;

    virtual Answer message(Kind kind, const QString &text, Buttons buttons) = 0;
    // The application's standard error box: shows the error's own text.
    virtual void showError(const QString &text) = 0;
    // Hourglass on (true) or back to the default cursor (false).
    virtual void setBusyCursor(bool busy) = 0;
    // Waits at least `ms` milliseconds; the window keeps painting, user input is held off.
    virtual void pause(int ms) = 0;
    // Opens a file with the application the desktop associates with it.
    virtual void openFile(const QString &path) = 0;
    // Asks for a file name to save to; empty when the user cancels.
    virtual QString saveFileName(const QString &caption, const QString &directory,
                                 const QString &fileName, const QString &filter) = 0;
};

// The services in force. There is always one: the program installs QtUiServices at start,
// tests install a RecordingUiServices.
UiServices &ui();
// Installs `services` (not owned) and returns the previous one.
UiServices *setUi(UiServices *services);

// Keeps the busy cursor for the lifetime of the object, also on an exception.
class BusyCursor
{
public:
    BusyCursor() { ui().setBusyCursor(true); }
    ~BusyCursor() { ui().setBusyCursor(false); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
