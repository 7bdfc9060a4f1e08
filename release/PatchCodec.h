#pragma once
// Binary patches between two versions of a file, in Zstandard's "patch-from" form: the new file
// compressed with the old one as its prefix and long-distance matching, so that what the two
// share costs a few bytes. A patch is one ordinary Zstandard frame; "zstd -d --patch-from=OLD
// --long=31" applies it too.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <optional>

// The window a patch of Target bytes against Base bytes needs, as a power of two: it covers both
// files. nullopt when they are too large for one Zstandard window.
std::optional<int> PatchWindowLog(int64_t BaseSize, int64_t TargetSize);

// The patch that turns Base into Target; nullopt when libzstd refuses (files too large).
std::optional<QByteArray> MakePatch(QByteArrayView Base, QByteArrayView Target);

enum class TPatchApplied {
    Applied,      // Output holds the whole result
    Corrupt,      // not a Zstandard frame (wrong magic), damaged, or asks for a larger window
    Truncated,    // the patch ends before its frame does
    TooLarge,     // the result would grow past MaxOutput; nothing beyond it was written
    TrailingData, // bytes follow the frame
    WriteFailed,  // Output refused a write
};

struct TPatchResult {
    TPatchApplied Outcome = TPatchApplied::Corrupt;
    int64_t Written = 0;  // bytes written to Output
    QString Detail;       // libzstd's text for Corrupt, else empty
};

// Applies the patch read from Patch to Base, writing the result to Output as it is decoded.
// The window the frame may ask for is limited to what a patch of MaxOutput bytes against Base
// needs, and no more than MaxOutput bytes are ever written.
TPatchResult ApplyPatch(QByteArrayView Base, QIODevice &Patch, QIODevice &Output, int64_t MaxOutput);

// A short English text for an outcome other than Applied, for log lines.
QString PatchAppliedText(const TPatchResult &Result);
