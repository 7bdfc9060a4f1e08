#pragma once
// Checks on names and folders that come from the server before they become local paths: a
// local path built from them must stay inside the installation folder.
#include <QString>

// True when Text holds a control character (Unicode category Cc).
bool HoldsControlCharacter(const QString &Text);

// True when Name can stand as one file name inside a folder: not empty, not "." or "..", and
// holding no "/", no "\" and no control character.
bool IsSafeFileName(const QString &Name);

// True when RelativeFolder ("/"-separated, empty for the base folder itself) stays at or below
// the folder it is appended to: none of its parts is "." or "..", and it holds no "\" and no
// control character. Empty parts (doubled "/") are allowed; they collapse.
bool IsSafeRelativeFolder(const QString &RelativeFolder);

// True when RelativePath ("/"-separated) names a file at or below the folder it is appended
// to: it does not start with "/" and every part, the last included, passes IsSafeFileName
// (so no empty part, no "." or "..", no "\" and no control character).
bool IsSafeRelativePath(const QString &RelativePath);
