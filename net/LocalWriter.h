#pragma once
// Writing a download's blocks to its local file.
#include <QByteArray>
#include <QFileDevice>
#include <cstdint>

// Collects the blocks and writes them to the partial file in large pieces, so that a write
// that stops short (disk full) is seen: the device's own buffering would let it pass.
class LocalWriter {
public:
    explicit LocalWriter(QFileDevice &file);

    // Adds count bytes; writes what is pending once it is a large piece (Flush's errors).
    void Append(const char *data, uint32_t count);

    // Writes what is pending; throws RaisedError with the system's text when that fails.
    void Flush();

private:
    static constexpr qsizetype kPieceBytes = 256 * 1024;
    QFileDevice &file_;
    QByteArray pending_;
};
