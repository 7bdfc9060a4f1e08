#pragma once
// Every message box and error box of the program goes through here, so that tests and the
// unattended mode can record what would have been shown instead of blocking on a modal box.
#include <QString>
#include <functional>

namespace MessageBoxes {

enum class Kind { Message, Error };

// Receives each box instead of showing it; an empty recorder shows real boxes again.
using Recorder = std::function<void(Kind, const QString &text)>;
void SetRecorder(Recorder recorder);

// The program file's name without folder, cut before its first full stop, first letter kept,
// the other letters lower-cased ("OrnUpdate" -> "Ornupdate").
QString ApplicationTitle();

// The error text with a full stop appended, unless it ends in a character whose code is not
// above that of "." (such as ".", a blank, "!" or ")").
QString WithFullStop(const QString &text);

// A modal box centred on the screen, titled with the application title, no icon, one OK.
void ShowMessage(const QString &text);

// The same with the error icon, showing WithFullStop(text).
void ShowError(const QString &text);

}  // namespace MessageBoxes
