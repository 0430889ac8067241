#include "host/diag_log.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/platform.h"

namespace diaglog {
namespace {

constexpr char kLogFileName[] = "log.csv";

// Instances constructed or destroyed on different threads share these.
std::mutex pathMutex;
char modulePath[platform::kModulePathSize] = {};

std::mutex logMutex;
std::FILE* logFile = nullptr;

// The log's path: the module's directory plus the file name. False when the
// module path has no directory part to put the log in.
bool logPath(char* out, std::size_t size) {
    char path[platform::kModulePathSize];
    copyModulePath(path, sizeof path);
    const char* separator = std::strrchr(path, platform::kPathSeparator);
    if (!separator) return false;
    const std::size_t directoryLength = static_cast<std::size_t>(separator - path) + 1;
    if (directoryLength + sizeof kLogFileName > size) return false;
    std::memcpy(out, path, directoryLength);
    std::memcpy(out + directoryLength, kLogFileName, sizeof kLogFileName);
    return true;
}

}  // namespace

void recordModulePath() {
    std::lock_guard<std::mutex> lock(pathMutex);
    platform::readModulePath(modulePath, sizeof modulePath);
}

void copyModulePath(char* out, std::size_t size) {
    if (!out || size == 0) return;
    std::lock_guard<std::mutex> lock(pathMutex);
    const std::size_t length = std::min(std::strlen(modulePath), size - 1);
    std::memcpy(out, modulePath, length);
    out[length] = '\0';
}

void writeLog(const char* format, ...) {
    std::lock_guard<std::mutex> lock(logMutex);
    if (!logFile) {
        char path[platform::kModulePathSize + sizeof kLogFileName];
        if (!logPath(path, sizeof path)) return;
        logFile = std::fopen(path, "w");
        if (!logFile) return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(logFile, format, arguments);
    va_end(arguments);
}

void closeLog() {
    std::lock_guard<std::mutex> lock(logMutex);
    if (!logFile) return;
    std::fclose(logFile);
    logFile = nullptr;
}

}  // namespace diaglog
