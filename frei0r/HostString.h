// The text of a string parameter as a host hands it over. frei0r passes a
// pointer to the char* (what ffmpeg, MLT and GStreamer do when they set up
// an element), but GStreamer 1.22 passes the char* itself when a string
// property changes while it plays. The two are told apart by whether the
// bytes at the pointer form a readable address, which the bytes of a path
// never do on 64-bit Linux (their top bytes are not 0); a text of fewer than
// 7 bytes may be taken for an address by the bytes after it, and is then
// believed only when what that address holds is text. Every byte is read
// through the kernel, so a wrong guess gives a wrong text, never a crash.
#pragma once

#include <string>

namespace tavrix_frei0r {

// Longest text taken; the rest is cut off.
constexpr size_t MAX_HOST_STRING = 65536;

// The string param points to, or the one it is; "" for null.
std::string hostString(const void* param);

} // namespace tavrix_frei0r
