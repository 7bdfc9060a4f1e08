#pragma once
// The release key a benchmark trusts, read from the .pub file minisign wrote for the run.
#include "release/MinisignKey.h"

#include <QString>
#include <optional>

// The key of the minisign .pub file at Path (its second line); nullopt when the file cannot be
// read or holds no public key line there.
std::optional<TMinisignPublicKey> ReadPublicKeyFile(const QString &Path);
