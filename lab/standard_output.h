// Whether what a command wrote to standard output reached it.
#pragma once

namespace vesko {

// Flushes standard output. False, after saying "<command>: cannot write to
// standard output (<reason>)" on standard error, when any of what was written
// there was lost: a full disk, a device that takes nothing. A command whose
// product is that text must not then exit as if it had been written.
bool standardOutputWritten(const char* command);

}  // namespace vesko
