#pragma once
// libsodium, the one source of the updater's cryptography (Ed25519, BLAKE2b, SHA-256, scrypt).

// Initialises libsodium once for the process; later calls return at once. Throws RaisedError
// when the library cannot be initialised.
void RequireSodium();
