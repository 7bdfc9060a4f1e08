#include "net/LocalWriter.h"

#include "base/RaisedError.h"

LocalWriter::LocalWriter(QFileDevice &file) : file_(file) { pending_.reserve(kPieceBytes); }

void LocalWriter::Append(const char *data, uint32_t count)
{
    pending_.append(data, count);
    if (pending_.size() >= kPieceBytes)
        Flush();
}

void LocalWriter::Flush()
{
    qsizetype written = 0;
    while (written < pending_.size()) {
        const qint64 count = file_.write(pending_.constData() + written, pending_.size() - written);
        if (count <= 0)
            throw RaisedError(file_.errorString());
        written += count;
    }
    pending_.resize(0);
}
