#include "release/PatchCodec.h"

#include <zstd.h>

#include <memory>
#include <vector>

namespace {

// Level 9 finds the shared stretches as well as 19 does on executables, in a tenth of the time.
constexpr int kPatchLevel = 9;

struct CompressContextFree {
    void operator()(ZSTD_CCtx *context) const { ZSTD_freeCCtx(context); }
};
struct DecompressContextFree {
    void operator()(ZSTD_DCtx *context) const { ZSTD_freeDCtx(context); }
};

bool Ok(size_t Code) { return !ZSTD_isError(Code); }

TPatchResult Result(TPatchApplied Outcome, int64_t Written, const QString &Detail = QString())
{
    return {Outcome, Written, Detail};
}

}  // namespace

std::optional<int> PatchWindowLog(int64_t BaseSize, int64_t TargetSize)
{
    const ZSTD_bounds bounds = ZSTD_cParam_getBounds(ZSTD_c_windowLog);
    const uint64_t span = uint64_t(std::max<int64_t>(BaseSize, 0)) + uint64_t(std::max<int64_t>(TargetSize, 0));
    int log = bounds.lowerBound;
    while (log < 63 && (uint64_t(1) << log) < span)
        ++log;
    if (log > bounds.upperBound)
        return std::nullopt;
    return log;
}

std::optional<QByteArray> MakePatch(QByteArrayView Base, QByteArrayView Target)
{
    const std::optional<int> windowLog = PatchWindowLog(Base.size(), Target.size());
    const std::unique_ptr<ZSTD_CCtx, CompressContextFree> context(ZSTD_createCCtx());
    if (!windowLog || !context)
        return std::nullopt;
    ZSTD_CCtx *c = context.get();
    if (!Ok(ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, kPatchLevel))
        || !Ok(ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, *windowLog))
        || !Ok(ZSTD_CCtx_setParameter(c, ZSTD_c_enableLongDistanceMatching, 1))
        || !Ok(ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1))
        || !Ok(ZSTD_CCtx_refPrefix(c, Base.data(), size_t(Base.size()))))
        return std::nullopt;
    QByteArray patch(qsizetype(ZSTD_compressBound(size_t(Target.size()))), Qt::Uninitialized);
    const size_t written = ZSTD_compress2(c, patch.data(), size_t(patch.size()), Target.data(), size_t(Target.size()));
    if (!Ok(written))
        return std::nullopt;
    patch.truncate(qsizetype(written));
    return patch;
}

TPatchResult ApplyPatch(QByteArrayView Base, QIODevice &Patch, QIODevice &Output, int64_t MaxOutput)
{
    const std::optional<int> windowLog = PatchWindowLog(Base.size(), MaxOutput);
    const std::unique_ptr<ZSTD_DCtx, DecompressContextFree> context(ZSTD_createDCtx());
    if (!windowLog || !context)
        return Result(TPatchApplied::Corrupt, 0, QStringLiteral("no window for files of this size"));
    ZSTD_DCtx *d = context.get();
    if (!Ok(ZSTD_DCtx_setParameter(d, ZSTD_d_windowLogMax, *windowLog))
        || !Ok(ZSTD_DCtx_refPrefix(d, Base.data(), size_t(Base.size()))))
        return Result(TPatchApplied::Corrupt, 0, QStringLiteral("libzstd refused the base file"));

    std::vector<char> in(ZSTD_DStreamInSize());
    std::vector<char> out(ZSTD_DStreamOutSize());
    int64_t written = 0;
    size_t remaining = 1;  // what the frame still needs; 0 once it is complete
    for (;;) {
        const qint64 read = Patch.read(in.data(), qint64(in.size()));
        if (read <= 0)
            return Result(read == 0 && remaining == 0 ? TPatchApplied::Applied : TPatchApplied::Truncated, written);
        ZSTD_inBuffer input{in.data(), size_t(read), 0};
        bool outputFull = false;
        // A full output buffer may hold back more of what the input gave: drain it too.
        while (input.pos < input.size || (outputFull && remaining != 0)) {
            if (remaining == 0)
                return Result(TPatchApplied::TrailingData, written);
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            remaining = ZSTD_decompressStream(d, &output, &input);
            if (!Ok(remaining))
                return Result(TPatchApplied::Corrupt, written, QString::fromLatin1(ZSTD_getErrorName(remaining)));
            if (written + int64_t(output.pos) > MaxOutput)
                return Result(TPatchApplied::TooLarge, written);
            if (output.pos > 0 && Output.write(out.data(), qint64(output.pos)) != qint64(output.pos))
                return Result(TPatchApplied::WriteFailed, written);
            written += int64_t(output.pos);
            outputFull = output.pos == output.size;
        }
    }
}

QString PatchAppliedText(const TPatchResult &Result)
{
    switch (Result.Outcome) {
    case TPatchApplied::Applied:
        break;
    case TPatchApplied::Corrupt:
        return QStringLiteral("not a valid patch: ") + Result.Detail;
    case TPatchApplied::Truncated:
        return QStringLiteral("the patch is cut short");
    case TPatchApplied::TooLarge:
        return QStringLiteral("the result grows past its listed size");
    case TPatchApplied::TrailingData:
        return QStringLiteral("data after the end of the patch");
    case TPatchApplied::WriteFailed:
        return QStringLiteral("the result cannot be written");
    }
    return QString();
}
