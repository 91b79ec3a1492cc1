#pragma once

#include "UiServices.h"

#include <QList>
#include <QString>
#include <QStringList>

// UiServices for tests: shows nothing, records every call and answers from queues the
// test fills. Used on the main thread, as the program uses ui().
class RecordingUiServices : public UiServices
{
public:
    struct Message
    {
        Kind kind;
        QString text;
        Buttons buttons;
        Answer answer;   // what this call returned
        int busyDepth;   // busy cursor depth while it showed
    };

    struct Error
    {
        QString text;
        int busyDepth;   // busy cursor depth while it showed
    };

    struct SaveDialog
    {
        QString caption;
        QString directory;
        QString fileName;
        QString filter;
        QString answer;  // what this call returned; empty = cancelled
    };

    Answer message(Kind kind, const QString &text, Buttons buttons) override;
    void showError(const QString &text) override;
    void setBusyCursor(bool busy) override;
    void pause(int ms) override;
    void openFile(const QString &path) override;
    QString saveFileName(const QString &caption, const QString &directory,
                         const QString &fileName, const QString &filter) override;

    // Answers. A Yes/No message takes the next of confirmAnswers, Yes when it is empty;
    // an Ok message answers Ok and leaves the queue alone. A save dialog takes the next
    // of saveAnswers, empty (cancelled) when it is empty.
    QList<Answer> confirmAnswers;
    QStringList saveAnswers;
    // pause() really waits (BusyLoop::pause) instead of only recording.
    bool realPause = false;

    // What was asked, in order.
    QList<Message> messages;
    QList<Error> errors;
    QList<bool> busyCalls;   // every setBusyCursor(busy) call
    int busyDepth = 0;       // on minus off, never below 0 (an extra "off" is ignored)
    int maxBusyDepth = 0;
    QList<int> pauses;
    QStringList openedFiles;
    QList<SaveDialog> saveDialogs;

    QStringList messageTexts() const;
    QStringList errorTexts() const;
    // Forgets the recording and the queued answers; realPause stays.
    void clear();
};

// Installs a UiServices with setUi() for its lifetime and puts the previous one back.
// Default-constructed it installs a RecordingUiServices of its own, reached by -> or
// recorder().
class ScopedUi
{
public:
    ScopedUi();
    explicit ScopedUi(UiServices &services);
    ~ScopedUi();
    ScopedUi(const ScopedUi &) = delete;
    ScopedUi &operator=(const ScopedUi &) = delete;

    RecordingUiServices &recorder() { return m_own; }
    RecordingUiServices *operator->() { return &m_own; }

private:
    RecordingUiServices m_own;
    UiServices *m_previous = nullptr;
};
