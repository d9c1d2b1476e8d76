#pragma once

#include <QString>

#include <functional>

class QWidget;

/// Runs menu commands and button handlers so that a failure never crosses Qt's signal-slot
/// machinery: an exception a command throws skips the rest of the command, whatever it already
/// changed stays changed, and an error box tells the user; the program carries on.
class CommandGuard {
public:
    /// Runs `command`; returns false when it failed (the error box has then been shown).
    static bool run(QWidget* parent, const std::function<void()>& command);

    /// The error box: stop icon, the application title as caption, the message with a full stop
    /// appended when it is not empty and its last character sorts after ".".
    static void showError(QWidget* parent, const QString& message);

    /// The error box's text for a failure's message.
    static QString boxText(const QString& message);

    /// The application title taken from the program file's path: the name after the last
    /// slash, cut at its first full stop, its first character in upper case and every later one in
    /// lower case
    /// ("/usr/bin/dla" gives "Dla", "ABC.EXE" gives "Abc").
    static QString titleFromProgramPath(const QString& path);
    /// The running program's title by that rule.
    static QString applicationTitle();
};
