#include "platform/LibraryResource.h"

std::optional<QByteArray> ReadLibraryResource(const QString &, const QString &)
{
    // Data files stand in for resource libraries here.
    return std::nullopt;
}
