// The files an animation is made of, as a page chooses them: motions and
// hair set-ups from the opened folder or dropped onto the page, sounds from
// the folder (decoded once and kept while they are unchanged).
#pragma once

#include <cstddef>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "PhysicsFile.h"
#include "ViewState.h"

namespace tavrix_viewer {

class FolderAccess;
class UploadStore;

class AnimationFiles {
public:
    static constexpr size_t MAX_MOTION_BYTES = 16u << 20;
    static constexpr size_t MAX_PHYSICS_BYTES = 1u << 20;
    // Sounds kept decoded at once.
    static constexpr size_t MAX_SOUNDS = 4;

    AnimationFiles(const FolderAccess& folder, const UploadStore& uploads) : folder(folder), uploads(uploads) {}

    // False with the reason, naming the file.
    bool motion(const FileChoice& choice, std::vector<char>& bytes, std::string& why) const;
    bool physics(const FileChoice& choice, std::vector<tavrix_stage::HairSetup>& hairs, std::string& why) const;
    // The decoded sound of a file of the folder; null with the reason.
    std::shared_ptr<const tavrix_media::AudioTrack> sound(const std::string& file, std::string& why);

private:
    bool read(const FileChoice& choice, size_t limit, std::string& bytes, std::string& why) const;

    struct Sound {
        std::string path;
        std::time_t modified;
        std::shared_ptr<tavrix_media::AudioTrack> track;
    };
    const FolderAccess& folder;
    const UploadStore& uploads;
    std::vector<std::unique_ptr<Sound>> sounds;
};

} // namespace tavrix_viewer
