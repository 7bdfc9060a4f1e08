#pragma once
// Text at the edge of the Windows API: UTF-16 names and the system's messages. Only the
// Windows side of platform/ includes this header.
#include <QString>
#include <cstdint>
#include <string>

// Path as a UTF-16 name for the wide ("W") calls, with backslashes.
std::wstring WidePath(const QString &Path);

// The system's message for a Windows error code, without trailing blanks and full stops.
QString WindowsErrorText(uint32_t Code);

// "<Path>: <message of Code>".
QString WindowsErrorNamed(const QString &Path, uint32_t Code);
