// Complete ".moc" files: header, model root, end marker.
//
// Layout: the three bytes "moc", one version byte, the root object (a model,
// class 136), and from format version 8 on the four bytes 88 88 88 88. A file
// without the "moc" header is read from its first byte as format version 0
// and needs no end marker; buildStream writes that form.
//
// The options can damage each piece on purpose (another magic, a version the
// loader refuses, a missing or wrong end marker) so tests can reach every
// failure path of the loader.
#pragma once

#include "mocwriter/MocModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mocwriter {

class MocFile {
public:
    static constexpr int NEWEST_VERSION = 10;
    static constexpr std::uint32_t END_MARKER = 0x88888888u;
    // First version whose files end with the end marker.
    static constexpr int FIRST_VERSION_WITH_END_MARKER = 8;

    enum class EndMarker {
        Auto,   // written when the loader will expect it (see loaderVersion)
        Always,
        Never,
    };

    struct Options {
        // Layout of the stored fields, and the version byte unless overridden.
        int formatVersion = NEWEST_VERSION;
        // Writes another version byte (for example 11, which the loader
        // refuses) while keeping the layout of formatVersion.
        std::optional<std::uint8_t> versionByte;
        // False writes no magic and no version byte: a headerless file.
        bool header = true;
        // The header's leading bytes, written verbatim.
        std::string magic = "moc";
        EndMarker endMarker = EndMarker::Auto;
        // The four marker bytes as one big-endian int32; change it to write a wrong marker.
        std::uint32_t endMarkerValue = END_MARKER;
        // Identifiers repeated in the model become back-references.
        bool shareIdentifiers = false;
        // Appended after everything else (the loader ignores them).
        std::vector<std::uint8_t> trailingBytes;
    };

    // The whole file for a model.
    static std::vector<std::uint8_t> build(const MocModel& model, const Options& options);
    // A sound file of the given format version (header, layout, end marker).
    static std::vector<std::uint8_t> build(const MocModel& model, int formatVersion = NEWEST_VERSION);
    // Only the object stream of the root, in the layout of formatVersion.
    // As a file it is read as format version 0, so the default layout is 0
    // (no option flags, no opacities, no mirror flags).
    static std::vector<std::uint8_t> buildStream(const MocModel& model, int formatVersion = 0,
                                                 bool shareIdentifiers = false);
    // Wraps an object stream written by hand (for example with
    // MocStreamWriter) in header and end marker as the options say.
    static std::vector<std::uint8_t> wrap(const std::vector<std::uint8_t>& rootStream,
                                          const Options& options);

    // The format version the loader will take from a file with these
    // options: the version byte after a "moc" header, else 0.
    static int loaderVersion(const Options& options);
    // The four header bytes "moc" + version.
    static std::vector<std::uint8_t> header(std::uint8_t version);
};

} // namespace mocwriter
