#pragma once
// The release keys built into the program (CMake cache setting ORN_RELEASE_PUBKEY).
#include "release/MinisignKey.h"

#include <QVector>

// The trusted minisign public keys; empty when the program was built without a key. Throws
// RaisedError when the built-in setting is not a list of public key lines (CMake checks it).
QVector<TMinisignPublicKey> ReleaseKeys();
