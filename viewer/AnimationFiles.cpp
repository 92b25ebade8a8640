#include "AnimationFiles.h"

#include <sys/stat.h>

#include "FolderAccess.h"
#include "UploadStore.h"

namespace tavrix_viewer {

bool AnimationFiles::read(const FileChoice& choice, size_t limit, std::string& bytes, std::string& why) const
{
    if (choice.upload) {
        std::string name;
        if (!uploads.get(choice.upload, bytes, name)) {
            why = "dropped file " + std::to_string(choice.upload) + " is no longer kept; drop it again";
            return false;
        }
        return true;
    }
    int status = 0;
    return folder.read(choice.file, limit, bytes, status, why);
}

bool AnimationFiles::motion(const FileChoice& choice, std::vector<char>& bytes, std::string& why) const
{
    std::string read;
    if (!this->read(choice, MAX_MOTION_BYTES, read, why)) return false;
    bytes.assign(read.begin(), read.end());
    return true;
}

bool AnimationFiles::physics(const FileChoice& choice, std::vector<tavrix_stage::HairSetup>& hairs,
                             std::string& why) const
{
    std::string text;
    if (!read(choice, MAX_PHYSICS_BYTES, text, why)) return false;
    if (!tavrix_stage::parsePhysicsJson(text, hairs, why)) {
        why = choice.label() + ": " + why;
        return false;
    }
    return true;
}

std::shared_ptr<const tavrix_media::AudioTrack> AnimationFiles::sound(const std::string& file, std::string& why)
{
    std::string path;
    int status = 0;
    if (!folder.existingFile(file, path, status, why)) return nullptr;
    struct stat info;
    const std::time_t modified = stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
    for (auto it = sounds.begin(); it != sounds.end(); ++it) {
        if ((*it)->path != path) continue;
        if ((*it)->modified == modified) return (*it)->track;
        sounds.erase(it);
        break;
    }
    auto sound = std::make_unique<Sound>();
    sound->path = path;
    sound->modified = modified;
    sound->track = std::make_shared<tavrix_media::AudioTrack>();
    if (!tavrix_media::readAudioFile(path, *sound->track, why)) return nullptr;
    if (sounds.size() >= MAX_SOUNDS) sounds.erase(sounds.begin());
    sounds.push_back(std::move(sound));
    return sounds.back()->track;
}

} // namespace tavrix_viewer
