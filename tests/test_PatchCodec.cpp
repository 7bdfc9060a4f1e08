// Zstandard patches: a patch turns its base into the new file byte for byte, costs little for
// scattered changes, and a truncated or hostile patch is refused without writing past the cap.
#include "fixtures/PatchData.h"
#include "release/PatchCodec.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// ApplyPatch of Patch to Base into memory, capped at MaxOutput.
TPatchResult Apply(const QByteArray &Base, const QByteArray &Patch, qint64 MaxOutput, QByteArray *Output)
{
    QBuffer patch;
    patch.setData(Patch);
    patch.open(QIODevice::ReadOnly);
    QBuffer output(Output);
    output.open(QIODevice::WriteOnly);
    return ApplyPatch(Base, patch, output, MaxOutput);
}

TEST(PatchCodec, APatchGivesItsResultByteForByte)
{
    const QByteArray base = RandomBytes(1 << 20, 1);
    const struct {
        const char *name;
        QByteArray base, result;
        double mostOfResult;  // the patch's size at most this share of the result's
    } cases[] = {
        {"1 % changed in scattered blocks", base, ChangedBlocks(base, 99, 64 * 1024, 640), 0.05},
        {"bytes inserted at the start", base, QByteArray("inserted") + base, 0.01},
        {"no base", QByteArray(), RandomBytes(4096, 2), 1.1},
        {"an empty result", base, QByteArray(), 1.0},
        {"unrelated", base, RandomBytes(1 << 16, 3), 1.1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QByteArray> patch = MakePatch(c.base, c.result);
        ASSERT_TRUE(patch);
        EXPECT_LE(double(patch->size()), c.mostOfResult * double(std::max<qsizetype>(c.result.size(), 64)));
        QByteArray output;
        const TPatchResult applied = Apply(c.base, *patch, c.result.size(), &output);
        EXPECT_EQ(applied.Outcome, TPatchApplied::Applied) << PatchAppliedText(applied).toStdString();
        EXPECT_EQ(applied.Written, c.result.size());
        EXPECT_TRUE(output == c.result);
    }
}

TEST(PatchCodec, ATruncatedOrHostilePatchIsRefusedWithNothingWrittenPastTheCap)
{
    const QByteArray base = RandomBytes(1 << 18, 4);
    const QByteArray result = ChangedBlocks(base, 99, 16 * 1024, 256);
    const QByteArray patch = MakePatch(base, result).value();
    const QByteArray endless = PlainFrame(QByteArray(64 << 20, '\0'), 10);  // 64 MiB in a 1 KiB window
    const struct {
        const char *name;
        QByteArray patch;
        qint64 cap;
        TPatchApplied outcome;
    } cases[] = {
        {"wrong magic", QByteArray("PK\x03\x04") + patch.mid(4), result.size(), TPatchApplied::Corrupt},
        {"random bytes", RandomBytes(4096, 5), result.size(), TPatchApplied::Corrupt},
        {"empty", QByteArray(), result.size(), TPatchApplied::Truncated},
        {"cut in half", patch.left(patch.size() / 2), result.size(), TPatchApplied::Truncated},
        {"one byte short", patch.chopped(1), result.size(), TPatchApplied::Truncated},
        {"a byte flipped in the middle",
         QByteArray(patch).replace(patch.size() / 2, 1, QByteArray(1, char(patch.at(patch.size() / 2) ^ 0x5a))),
         result.size(), TPatchApplied::Corrupt},
        {"a second frame after it", patch + PlainFrame("more", 10), result.size() + 4, TPatchApplied::TrailingData},
        {"a result larger than listed", patch, result.size() - 1, TPatchApplied::TooLarge},
        {"endless output in a small window", endless, 1 << 20, TPatchApplied::TooLarge},
        {"a window larger than the listed size needs", MakePatch(QByteArray(), QByteArray(8 << 20, 'x')).value(), 4096,
         TPatchApplied::Corrupt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray output;
        const TPatchResult applied = Apply(base, c.patch, c.cap, &output);
        EXPECT_EQ(applied.Outcome, c.outcome) << PatchAppliedText(applied).toStdString();
        EXPECT_LE(output.size(), c.cap);
        EXPECT_EQ(applied.Written, output.size());
        EXPECT_FALSE(PatchAppliedText(applied).isEmpty());
    }
}

TEST(PatchCodec, TheWindowCoversBaseAndResult)
{
    EXPECT_EQ(PatchWindowLog(0, 0), 10);
    EXPECT_EQ(PatchWindowLog(64 << 20, 64 << 20), 27);
    EXPECT_EQ(PatchWindowLog((64 << 20) + 1, 64 << 20), 28);
    EXPECT_FALSE(PatchWindowLog(qint64(3) << 30, qint64(3) << 30));
}

}  // namespace
