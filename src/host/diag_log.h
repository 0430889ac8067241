// The diagnostic log: "log.csv" in the library's own directory, written when
// an instance is destroyed. Process-wide, like the module path it uses.
#pragma once

#include <cstddef>

namespace diaglog {

// Records the library's file path; every construction does this again.
void recordModulePath();

// Copies the recorded path (NUL-terminated) into out.
void copyModulePath(char* out, std::size_t size);

// With a format: opens the log if it is not open (emptying it) and writes one
// formatted entry. A directory that cannot be written to gets nothing.
void writeLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Closes the log if it is open.
void closeLog();

}  // namespace diaglog
