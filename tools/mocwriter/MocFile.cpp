#include "mocwriter/MocFile.h"

#include "mocwriter/MocModelSerializer.h"
#include "mocwriter/MocStreamWriter.h"

#include <stdexcept>

namespace mocwriter {

namespace {

void checkVersion(int formatVersion) {
    if (formatVersion < 0 || formatVersion > 255) {
        throw std::out_of_range("MocFile: a format version is one byte (0 to 255)");
    }
}

} // namespace

int MocFile::loaderVersion(const Options& options) {
    if (!options.header || options.magic != "moc") {
        return 0;
    }
    return options.versionByte ? *options.versionByte : options.formatVersion;
}

std::vector<std::uint8_t> MocFile::header(std::uint8_t version) {
    return {'m', 'o', 'c', version};
}

std::vector<std::uint8_t> MocFile::buildStream(const MocModel& model, int formatVersion,
                                               bool shareIdentifiers) {
    checkVersion(formatVersion);
    MocStreamWriter writer;
    MocModelSerializer::Options serializerOptions;
    serializerOptions.formatVersion = formatVersion;
    serializerOptions.shareIdentifiers = shareIdentifiers;
    MocModelSerializer(writer, serializerOptions).writeModel(model);
    return writer.takeBytes();
}

std::vector<std::uint8_t> MocFile::build(const MocModel& model, const Options& options) {
    return wrap(buildStream(model, options.formatVersion, options.shareIdentifiers), options);
}

std::vector<std::uint8_t> MocFile::build(const MocModel& model, int formatVersion) {
    Options options;
    options.formatVersion = formatVersion;
    return build(model, options);
}

std::vector<std::uint8_t> MocFile::wrap(const std::vector<std::uint8_t>& rootStream,
                                        const Options& options) {
    checkVersion(options.formatVersion);
    MocStreamWriter writer; // big-endian, as the loader reads the marker
    if (options.header) {
        writer.writeRawBytes(reinterpret_cast<const std::uint8_t*>(options.magic.data()),
                             options.magic.size());
        writer.writeByte(options.versionByte ? *options.versionByte : options.formatVersion);
    }
    writer.writeRawBytes(rootStream);
    const bool marker = options.endMarker == EndMarker::Always ||
                        (options.endMarker == EndMarker::Auto &&
                         loaderVersion(options) >= FIRST_VERSION_WITH_END_MARKER);
    if (marker) {
        writer.writeInt(static_cast<std::int32_t>(options.endMarkerValue));
    }
    writer.writeRawBytes(options.trailingBytes);
    return writer.takeBytes();
}

} // namespace mocwriter
