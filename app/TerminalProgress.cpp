#include "app/TerminalProgress.h"

#include "net/FtpDownload.h"

#include "platform/Console.h"

namespace {

constexpr qint64 kRedrawIntervalMs = 100;

QString Megabytes(double bytes) { return QString::number(bytes / 1e6, 'f', 1) + QStringLiteral(" MB"); }

}  // namespace

TerminalProgress::TerminalProgress(std::FILE *stream) : stream_(stream), enabled_(IsTerminal(stream))
{
}

void TerminalProgress::Show(const QString &fileName, qint64 received, qint64 size)
{
    if (!enabled_)
        return;
    if (fileName != fileName_ || !sinceStart_.isValid()) {
        fileName_ = fileName;
        sinceStart_.start();
        sinceDrawn_.invalidate();
    }
    const bool finished = received >= size;
    if (!finished && sinceDrawn_.isValid() && sinceDrawn_.elapsed() < kRedrawIntervalMs)
        return;
    sinceDrawn_.start();
    const double seconds = std::max<qint64>(sinceStart_.elapsed(), 1) / 1000.0;
    const QString line = fileName + QStringLiteral("  %1 %  %2 of %3  %4/s")
                                        .arg(ProgressPercent(uint32_t(received), uint32_t(size)))
                                        .arg(Megabytes(double(received)), Megabytes(double(size)),
                                             Megabytes(double(received) / seconds));
    std::fprintf(stream_, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::Clear()
{
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}
