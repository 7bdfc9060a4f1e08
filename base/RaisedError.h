#pragma once
// Errors that end the event handler that met them (input-output errors, conversion errors,
// failed system calls). They carry the text the error box shows; they are caught in one place,
// the window's error handling.
#include <QString>
#include <stdexcept>

class RaisedError : public std::runtime_error {
public:
    explicit RaisedError(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString &text() const { return text_; }

private:
    QString text_;
};

// Thrown at a safe point of a run when the user closed the window meanwhile: the run unwinds
// through the normal clean-up and no error box is shown.
class RunStopped : public std::exception {
public:
    const char *what() const noexcept override { return "run stopped"; }
};
