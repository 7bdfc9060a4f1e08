#include "release/FileHash.h"

#include "release/Sodium.h"

#include <QFile>
#include <sodium.h>

std::optional<QByteArray> FileSha256(const QString &Path)
{
    RequireSodium();
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    QByteArray block(1 << 16, '\0');
    for (;;) {
        const qint64 read = file.read(block.data(), block.size());
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char *>(block.constData()), quint64(read));
    }
    QByteArray digest(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256_final(&state, reinterpret_cast<unsigned char *>(digest.data()));
    return digest;
}

QByteArray BytesSha256(QByteArrayView Bytes)
{
    RequireSodium();
    QByteArray digest(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256(reinterpret_cast<unsigned char *>(digest.data()),
                       reinterpret_cast<const unsigned char *>(Bytes.data()), quint64(Bytes.size()));
    return digest;
}
