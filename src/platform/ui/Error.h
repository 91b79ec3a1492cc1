#pragma once

#include <QString>
#include <exception>
#include <string>

// The one exception type of the program: its text is the message the user sees.
class KvoError : public std::exception
{
public:
    explicit KvoError(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};
