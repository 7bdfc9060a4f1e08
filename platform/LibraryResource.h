#pragma once
// Raw-data resources of a resource library: on Windows a DLL found by the system's library
// search whose RCDATA resources are read by name; other systems have no such libraries.
#include <QByteArray>
#include <QString>
#include <optional>

// The bytes of the raw-data resource Name of the library LibraryName (a bare file name), or
// nothing when the library cannot be loaded or has no such resource.
std::optional<QByteArray> ReadLibraryResource(const QString &LibraryName, const QString &Name);
