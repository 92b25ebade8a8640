#include "LibraryLog.h"

#include "LibraryLogOwner.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <mutex>

namespace tavrix_media {

namespace {

std::mutex libraryLogMutex;
std::string lastLibraryError;

void keepLastError(void* object, int level, const char* format, va_list args)
{
    if (level > AV_LOG_ERROR) return;
    char line[512];
    int printPrefix = 0;
    av_log_format_line2(object, level, format, args, line, sizeof line, &printPrefix);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(libraryLogMutex);
    lastLibraryError = text;
}

} // namespace

void startLibraryLog()
{
    if (!libraryLogLeftToHost()) av_log_set_callback(keepLastError);
    std::lock_guard<std::mutex> lock(libraryLogMutex);
    lastLibraryError.clear();
}

std::string libraryError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    std::lock_guard<std::mutex> lock(libraryLogMutex);
    std::string reason = lastLibraryError.empty() ? text : lastLibraryError + " (" + text + ")";
    lastLibraryError.clear();
    return reason;
}

} // namespace tavrix_media
