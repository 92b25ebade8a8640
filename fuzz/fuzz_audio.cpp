// Sound files as the tool reads them for lip sync and the sound of clips.
// FFmpeg's libraries open files by name, so each input is written to one
// scratch file first; the name has no extension, and the libraries guess
// the format from the bytes as they do for a misnamed file. An accepted
// sound holds finite samples within the length limit, and the mouth it
// drives opens between 0 and 1; a refusal names the file.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AudioFile.h"
#include "FuzzTarget.h"
#include "LipSync.h"

namespace {

std::string scratchPath;

void removeScratch()
{
    if (!scratchPath.empty()) std::remove(scratchPath.c_str());
}

const std::string& scratchFile()
{
    if (scratchPath.empty()) {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/tavrix-fuzz-audio-XXXXXX";
        const int descriptor = mkstemp(&pattern[0]);
        tavrix_fuzz::require(descriptor >= 0, "a scratch file can be made");
        close(descriptor);
        scratchPath = pattern;
        std::atexit(removeScratch);
    }
    return scratchPath;
}

bool writeScratch(const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    tavrix_fuzz::require(writeScratch(data, size), "the input can be written to the scratch file");
    tavrix_media::AudioTrack track;
    std::string why;
    if (!tavrix_media::readAudioFile(scratchFile(), track, why)) {
        tavrix_fuzz::require(why.rfind("'" + scratchFile() + "' ", 0) == 0, "a refusal names the file");
        tavrix_fuzz::require(track.samples.empty(), "a refused sound leaves no samples");
        return 0;
    }
    tavrix_fuzz::require(!track.samples.empty(), "an accepted sound has samples");
    tavrix_fuzz::require(track.seconds() <= tavrix_media::MAX_AUDIO_SECONDS, "an accepted sound is within the length limit");
    for (float sample : track.samples) tavrix_fuzz::require(std::isfinite(sample), "every sample is finite");
    const tavrix_media::LipSync lipSync(track, tavrix_media::LipSyncSettings());
    for (double at : {0.0, 0.02, track.seconds() / 2, track.seconds(), track.seconds() + 0.05}) {
        const double openness = lipSync.opennessAt(at);
        tavrix_fuzz::require(openness >= 0.0 && openness <= 1.0, "the mouth opens between 0 and 1");
    }
    return 0;
}
