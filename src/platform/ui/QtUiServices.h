#pragma once

#include "UiServices.h"

// The program's UI services: real message boxes, the override cursor, the desktop's
// file associations, the platform's save dialog.
class QtUiServices : public UiServices
{
public:
    Answer message(Kind kind, const QString &text, Buttons buttons) override;
    void showError(const QString &text) override;
    void setBusyCursor(bool busy) override;
    void pause(int ms) override;
    void openFile(const QString &path) override;
    QString saveFileName(const QString &caption, const QString &directory,
                         const QString &fileName, const QString &filter) override;

private:
    int m_busyDepth = 0;
};
