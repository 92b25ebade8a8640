// Who owns FFmpeg's log. The tool routes the libraries' messages to itself
// (they become part of its one-line reasons); a plug-in inside a program
// built on the same libraries (ffmpeg, MLT, GStreamer's libav elements)
// must leave the log to that program, whose messages would vanish otherwise.
#pragma once

namespace tavrix_media {

// From now on, reading sound files and writing videos leave the libraries'
// log alone; their errors are worded from the error codes only.
void leaveLibraryLogToHost();
bool libraryLogLeftToHost();

} // namespace tavrix_media
