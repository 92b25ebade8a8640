// Names of frame files: a run of '#' (the frame zero-padded to as many
// digits as there are '#') or a printf-style %d / %0Nd stands for the frame.
#pragma once

#include <string>
#include <vector>

namespace tavrix_media {

// The lower-case extension after the last '.' of a file name, or "".
std::string fileExtension(const std::string& path);

class OutputPattern {
public:
    // False with a reason when the text has more than one frame field or a
    // '%' that is not a frame field ("%%" is a literal '%').
    bool parse(const std::string& text, std::string& why);

    bool hasFrameNumber() const { return width >= 0; }
    const std::string& text() const { return pattern; }
    // The file name of one frame (the pattern itself when it has no field).
    std::string pathFor(int frame) const;
    // The lower-case extension after the last '.' of the file name, or "".
    std::string extension() const;
    // The frames whose files exist, in order (names written as pathFor
    // writes them); false with a reason when the folder cannot be read or
    // the frame field is not in the file's own name.
    bool listFrames(std::vector<int>& frames, std::string& why) const;
    // Creates the folder the files go into (and its parents).
    bool createFolder(std::string& why) const;

private:
    std::string pattern;
    std::string prefix, suffix;
    int width = -1; // digits of the frame field; -1 when there is none
};

} // namespace tavrix_media
