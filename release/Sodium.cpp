#include "release/Sodium.h"

#include "base/RaisedError.h"

#include <sodium.h>

void RequireSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw RaisedError(QStringLiteral("The cryptography library libsodium cannot be initialised"));
}
