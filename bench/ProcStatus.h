#pragma once

#include <string>
#include <sys/types.h>

namespace tavixat::bench {

// Resident memory in kB from the text of /proc/<pid>/status (its "VmRSS:" line); -1 when the
// text has no such line or it carries no number.
long long residentKilobytes(const std::string& statusText);

// Reads /proc/<pid>/status; -1 when the process is gone.
long long residentKilobytesOf(pid_t pid);

} // namespace tavixat::bench
