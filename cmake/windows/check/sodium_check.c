/* libsodium starts, draws random bytes and checks an Ed25519 signature. */
#include <sodium.h>
#include <stdio.h>

int main(void)
{
    unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES];
    unsigned char sig[crypto_sign_BYTES], msg[64];
    if (sodium_init() < 0)
        return 1;
    randombytes_buf(msg, sizeof msg);
    crypto_sign_keypair(pk, sk);
    crypto_sign_detached(sig, NULL, msg, sizeof msg, sk);
    if (crypto_sign_verify_detached(sig, msg, sizeof msg, pk) != 0)
        return 1;
    msg[0] ^= 1;
    if (crypto_sign_verify_detached(sig, msg, sizeof msg, pk) == 0)
        return 1;
    printf("libsodium %s\n", sodium_version_string());
    return 0;
}
