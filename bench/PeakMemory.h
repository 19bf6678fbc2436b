#pragma once

#include <cstdint>
#include <sys/resource.h>

// The process's peak resident memory so far, in KiB: getrusage's ru_maxrss,
// which Linux gives in KiB and macOS in bytes. -1 when it cannot be read.
inline std::int64_t peakResidentKiB()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
#if defined(__APPLE__)
    return std::int64_t(usage.ru_maxrss) / 1024;
#else
    return std::int64_t(usage.ru_maxrss);
#endif
}
