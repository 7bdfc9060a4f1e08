#include "release/ReleaseKeys.h"

#include "base/RaisedError.h"

#ifndef ORN_RELEASE_PUBKEY
#error "ORN_RELEASE_PUBKEY is defined by cmake/Signing.cmake"
#endif

QVector<TMinisignPublicKey> ReleaseKeys()
{
    const std::optional<QVector<TMinisignPublicKey>> keys = ParseTrustedKeys(QStringLiteral(ORN_RELEASE_PUBKEY));
    if (!keys)
        throw RaisedError(QStringLiteral("The built-in release keys are not minisign public keys"));
    return *keys;
}
