#pragma once
// SHA-256 of local files, read in blocks, and of bytes in memory.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The 32-byte SHA-256 of the file at Path; nullopt when it cannot be opened or read.
std::optional<QByteArray> FileSha256(const QString &Path);

// The 32-byte SHA-256 of Bytes.
QByteArray BytesSha256(QByteArrayView Bytes);
