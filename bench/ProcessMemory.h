#pragma once
// The resident memory of this process, from /proc/self/status.
#include <cstdint>

// The current resident set (VmRSS) in KiB, or -1 when it cannot be read.
int64_t ResidentKiB();

// The peak resident set (VmHWM) in KiB since the start or the last ResetPeakResident, or -1.
int64_t PeakResidentKiB();

// Makes the peak start again from the current resident set (/proc/self/clear_refs, "5").
// Returns false when the kernel refused; the peak then still counts from the process start.
bool ResetPeakResident();
