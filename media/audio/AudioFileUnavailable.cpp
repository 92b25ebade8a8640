// Sound files in builds made without FFmpeg's libraries: every file is
// refused with one line saying how to get audio support.
#include "AudioFile.h"

namespace tavrix_media {

bool readAudioFile(const std::string&, AudioTrack& track, std::string& why)
{
    track.samples.clear();
    why = "this build of tavrix has no audio support: install libavformat-dev, libavcodec-dev, libavutil-dev "
          "and libswresample-dev (scripts/install-deps.sh does) and build again";
    return false;
}

} // namespace tavrix_media
