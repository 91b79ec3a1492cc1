#include "RecordingUiServices.h"

#include "BusyLoop.h"

UiServices::Answer RecordingUiServices::message(Kind kind, const QString &text, Buttons buttons)
{
    Answer answer = Answer::Ok;
    if (buttons == Buttons::YesNo)
        answer = confirmAnswers.isEmpty() ? Answer::Yes : confirmAnswers.takeFirst();
    messages << Message{kind, text, buttons, answer, busyDepth};
    return answer;
}

void RecordingUiServices::showError(const QString &text)
{
    errors << Error{text, busyDepth};
}

void RecordingUiServices::setBusyCursor(bool busy)
{
    busyCalls << busy;
    if (busy)
        maxBusyDepth = qMax(maxBusyDepth, ++busyDepth);
    else if (busyDepth > 0)
        --busyDepth;
}

void RecordingUiServices::pause(int ms)
{
    pauses << ms;
    if (realPause)
        BusyLoop::pause(ms);
}

void RecordingUiServices::openFile(const QString &path)
{
    openedFiles << path;
}

QString RecordingUiServices::saveFileName(const QString &caption, const QString &directory,
                                          const QString &fileName, const QString &filter)
{
    const QString answer = saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    saveDialogs << SaveDialog{caption, directory, fileName, filter, answer};
    return answer;
}

QStringList RecordingUiServices::messageTexts() const
{
    QStringList texts;
    for (const Message &m : messages)
        texts << m.text;
    return texts;
}

QStringList RecordingUiServices::errorTexts() const
{
    QStringList texts;
    for (const Error &e : errors)
        texts << e.text;
    return texts;
}

void RecordingUiServices::clear()
{
    confirmAnswers.clear();
    saveAnswers.clear();
    messages.clear();
    errors.clear();
    busyCalls.clear();
    busyDepth = 0;
    maxBusyDepth = 0;
    pauses.clear();
    openedFiles.clear();
    saveDialogs.clear();
}

ScopedUi::ScopedUi() : m_previous(setUi(&m_own)) {}

ScopedUi::ScopedUi(UiServices &services) : m_previous(setUi(&services)) {}

ScopedUi::~ScopedUi()
{
    setUi(m_previous);
}
