#include "bench/ProcessMemory.h"

#include <QFile>

namespace {

int64_t StatusFieldKiB(const QByteArray &field)
{
    // A /proc file reports no size: read it whole rather than asking for its end.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = status.readAll();
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(field + ':')) {
            bool ok = false;
            const int64_t kib = line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong(&ok);
            return ok ? kib : -1;
        }
    }
    return -1;
}

}  // namespace

int64_t ResidentKiB() { return StatusFieldKiB("VmRSS"); }

int64_t PeakResidentKiB() { return StatusFieldKiB("VmHWM"); }

bool ResetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}
