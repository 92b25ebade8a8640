// FFmpeg's own messages would interleave with the tool's progress lines; the
// last error the libraries log is kept instead and becomes part of the
// tool's one-line reason.
#pragma once

#include <string>

namespace tavrix_media {

// Routes the libraries' log here (unless it is left to the host program,
// see LibraryLogOwner.h) and forgets any earlier error.
void startLibraryLog();

// The error code's text and what the library logged about it.
std::string libraryError(int code);

} // namespace tavrix_media
