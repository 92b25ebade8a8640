// The video writer on FFmpeg's libraries: libavformat for the container,
// libavcodec for the encoders; RGBA to YUV by YuvConversion.
#include "VideoWriter.h"

#include "LibraryLog.h"
#include "YuvConversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrix_media {

namespace {

struct FormatTraits {
    VideoFormat format;
    const char* muxer;
    const char* encoderName;
    const char* codecLabel;
    AVPixelFormat pixels;
    // The same without the alpha plane, for frames known to be opaque.
    AVPixelFormat opaquePixels;
    YuvLayout layout; // of both
    bool keepsAlpha;
    bool needsEvenSides; // 4:2:0 that the encoder refuses at odd sizes
    int maxCrf;          // -1: the codec has no constant rate factor
    // Near visually lossless: clips are usually composited further. With the
    // fast settings of configureRate it gives the demo clips the PSNR the
    // slower settings gave at 18 (H.264) and 24 (VP9); docs/benchmarks.md.
    int defaultCrf;
    bool takesBitrate;
    // The sound track's encoder and what it takes.
    const char* soundEncoderName;
    const char* soundLabel;
    AVSampleFormat soundSamples;
    int64_t soundBitrate;
};

// VP9 takes odd sizes (its chroma planes round up); H.264 in 4:2:0 cannot.
const FormatTraits FORMATS[] = {
    {VideoFormat::MP4, "mp4", "libx264", "H.264", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, YuvLayout::Yuv420,
     false, true, 51, 15, true,
     "aac", "AAC", AV_SAMPLE_FMT_FLTP, 128000},
    {VideoFormat::WEBM, "webm", "libvpx-vp9", "VP9", AV_PIX_FMT_YUVA420P, AV_PIX_FMT_YUV420P,
     YuvLayout::Yuv420, true, false, 63, 19, true,
     "libopus", "Opus", AV_SAMPLE_FMT_FLT, 96000},
    {VideoFormat::MOV, "mov", "prores_ks", "ProRes 4444", AV_PIX_FMT_YUVA444P10LE, AV_PIX_FMT_YUV444P10LE,
     YuvLayout::Yuv444Ten, true, false, -1, -1, false,
     "pcm_s16le", "16-bit PCM", AV_SAMPLE_FMT_S16, 0},
};

const FormatTraits* traitsOf(VideoFormat format)
{
    for (const FormatTraits& traits : FORMATS)
        if (traits.format == format) return &traits;
    return nullptr;
}

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

} // namespace

struct VideoWriter::Encoder {
    const FormatTraits* traits = nullptr;
    AVPixelFormat pixels = AV_PIX_FMT_NONE; // what the encoder takes
    bool opaque = false;                     // every frame is known to be opaque
    std::string path;
    std::string temporaryPath;
    int width = 0, height = 0;
    int codedWidth = 0, codedHeight = 0;
    Rgba8 background;
    AVFormatContext* container = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    // Frames are converted on several threads at once; pictures the encoder
    // has taken serve again.
    std::mutex idleLock;
    std::vector<AVFrame*> idlePictures;
    int64_t nextPts = 0;
    double frameRate = 0;
    // The sound track, when the clip has one.
    const AudioTrack* sound = nullptr;
    int64_t soundStart = 0;
    AVCodecContext* soundCodec = nullptr;
    AVStream* soundStream = nullptr;
    AVFrame* soundFrame = nullptr;
    int soundFrameSize = 0;
    int64_t soundSent = 0; // samples of the clip given to the encoder
    bool fileOpen = false;
    bool completed = false;

    ~Encoder()
    {
        release();
        if (!completed) std::remove(temporaryPath.c_str());
    }

    // Returns the first failure of closing the file, 0 when it closed cleanly.
    int release()
    {
        int closed = 0;
        for (AVFrame*& picture : idlePictures) av_frame_free(&picture);
        idlePictures.clear();
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        av_frame_free(&soundFrame);
        avcodec_free_context(&soundCodec);
        if (container) {
            if (fileOpen) closed = avio_closep(&container->pb);
            avformat_free_context(container);
            container = nullptr;
        }
        fileOpen = false;
        return closed;
    }

    std::string cannotWrite(int code) const { return "cannot write '" + path + "': " + libraryError(code); }

    bool start(const VideoSettings& settings, const AVCodec* codecInfo, std::string& why);
    void configureRate(const VideoSettings& settings);
    bool startSound(std::string& why);
    // The frame as the encoder takes it: laid over the background for a clip
    // without alpha (in place), padded to even sides into padded.
    const RgbaImage& layOut(RgbaImage& frame, RgbaImage& padded) const;
    // A writable picture of the clip's format and size, or null.
    AVFrame* takePicture();
    void giveBack(AVFrame* picture)
    {
        std::lock_guard<std::mutex> held(idleLock);
        idlePictures.push_back(picture);
    }
    bool send(AVCodecContext* encoder, AVStream* target, const char* label, AVFrame* frame, std::string& why);
    // Encodes the sound up to the end of the frames written so far; at the
    // end also the last, shorter block, then flushes the encoder.
    bool sendSound(bool atEnd, std::string& why);
};

void VideoWriter::Encoder::configureRate(const VideoSettings& settings)
{
    void* options = codec->priv_data;
    bool qualityTarget = settings.crf >= 0 || settings.bitrate == 0;
    // Frames come as fast as they are drawn, on a machine that draws them too:
    // the encoders run their fast settings, at a lower default crf that
    // keeps the quality (see defaultCrf), on every processor.
    switch (traits->format) {
    case VideoFormat::MP4:
        av_opt_set(options, "preset", "veryfast", 0);
        // The diamond search and the quickest sub-pixel refinement: a third
        // of the encoder's time off, for files 4 % larger at the same PSNR
        // on the demo clip (docs/benchmarks.md).
        av_opt_set(options, "x264-params", "me=dia:subme=1", 0);
        // A processor is left to the drawing: x264's frame threads on every
        // one of them only took turns with it (the encoding keeps up on
        // fewer, and a mp4 render of the demo came out about 8 % sooner on
        // two processors with one thread).
        codec->thread_count = std::max(1, static_cast<int>(std::thread::hardware_concurrency()) - 1);
        if (qualityTarget) {
            av_opt_set_double(options, "crf", settings.crf >= 0 ? settings.crf : traits->defaultCrf, 0);
            // A bitrate beside a quality target caps the rate.
            codec->rc_max_rate = settings.bitrate;
            codec->rc_buffer_size = static_cast<int>(std::min<long long>(2 * settings.bitrate, INT32_MAX));
        } else {
            codec->bit_rate = settings.bitrate;
        }
        break;
    case VideoFormat::WEBM:
        // With a crf, bit_rate 0 means constant quality and a bitrate a
        // ceiling for it; without one, the bitrate is the target.
        if (qualityTarget) av_opt_set_int(options, "crf", settings.crf >= 0 ? settings.crf : traits->defaultCrf, 0);
        codec->bit_rate = settings.bitrate;
        // The real-time mode without look-ahead: a third of the good mode's
        // time and no frames held back. Rows and tile columns (as many as
        // the width allows, at least 256 pixels each) go to the threads.
        av_opt_set(options, "deadline", "realtime", 0);
        av_opt_set_int(options, "cpu-used", 6, 0);
        av_opt_set_int(options, "lag-in-frames", 0, 0);
        av_opt_set_int(options, "row-mt", 1, 0);
        av_opt_set_int(options, "tile-columns", 6, 0);
        break;
    case VideoFormat::MOV:
        av_opt_set(options, "profile", "4444", 0);
        // The finest quantiser everywhere, which the encoder's search for
        // each slice's quantiser picked anyway on the demo clips (the same
        // decoded frames): half the time without the search, and never a
        // coarser slice.
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA;
        break;
    case VideoFormat::NONE:
        break;
    }
}

bool VideoWriter::Encoder::start(const VideoSettings& settings, const AVCodec* codecInfo, std::string& why)
{
    int result = avformat_alloc_output_context2(&container, nullptr, traits->muxer, temporaryPath.c_str());
    if (result < 0 || !container) {
        why = "cannot start a ." + std::string(traits->muxer) + " file: " + libraryError(result);
        return false;
    }
    codec = avcodec_alloc_context3(codecInfo);
    if (!codec) {
        why = "out of memory starting the " + std::string(traits->codecLabel) + " encoder";
        return false;
    }
    AVRational rate = av_d2q(settings.frameRate, 100000);
    codec->width = codedWidth;
    codec->height = codedHeight;
    codec->pix_fmt = pixels;
    codec->time_base = av_inv_q(rate);
    codec->framerate = rate;
    codec->sample_aspect_ratio = AVRational{1, 1};
    codec->gop_size = std::max(1, static_cast<int>(std::lround(2 * settings.frameRate))); // a key frame every 2 s
    codec->thread_count = 0; // the encoder's own choice: every processor
    // The colours are converted with BT.709 into limited range and tagged
    // so, so that players and other decoders convert them back the same way.
    codec->color_range = AVCOL_RANGE_MPEG;
    codec->colorspace = AVCOL_SPC_BT709;
    codec->color_primaries = AVCOL_PRI_BT709;
    codec->color_trc = AVCOL_TRC_BT709;
    if (container->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    configureRate(settings);

    std::string encoderName = std::string(traits->codecLabel) + " encoder (" + traits->encoderName + ")";
    result = avcodec_open2(codec, codecInfo, nullptr);
    if (result < 0) {
        why = "the " + encoderName + " refuses " + sizeText(codedWidth, codedHeight) + " at " +
              std::to_string(settings.frameRate) + " frames/s: " + libraryError(result);
        return false;
    }
    stream = avformat_new_stream(container, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, codec) < 0) {
        why = "out of memory starting the ." + std::string(traits->muxer) + " file";
        return false;
    }
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = rate;
    stream->r_frame_rate = rate;
    if (sound && !startSound(why)) return false;

    result = avio_open(&container->pb, temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        why = cannotWrite(result);
        return false;
    }
    fileOpen = true;
    AVDictionary* muxerOptions = nullptr;
    // The index goes to the front, so players start before the whole file is read.
    if (traits->format == VideoFormat::MP4) av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    result = avformat_write_header(container, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (result < 0) {
        why = cannotWrite(result);
        return false;
    }

    // One picture made now, so that a clip that cannot be converted fails
    // here rather than at its first frame.
    AVFrame* picture = takePicture();
    packet = av_packet_alloc();
    if (picture) giveBack(picture);
    if (!picture || !packet) {
        why = "cannot convert RGBA frames for the " + encoderName;
        return false;
    }
    return true;
}

bool VideoWriter::Encoder::startSound(std::string& why)
{
    const std::string label = std::string(traits->soundLabel) + " encoder (" + traits->soundEncoderName + ")";
    const AVCodec* soundInfo = avcodec_find_encoder_by_name(traits->soundEncoderName);
    if (!soundInfo) {
        why = "the FFmpeg libraries of this machine have no " + label + " for the sound of " +
              describeVideoFormat(traits->format);
        return false;
    }
    soundCodec = avcodec_alloc_context3(soundInfo);
    if (!soundCodec) {
        why = "out of memory starting the " + label;
        return false;
    }
    soundCodec->sample_fmt = traits->soundSamples;
    soundCodec->sample_rate = AudioTrack::SAMPLE_RATE;
    av_channel_layout_default(&soundCodec->ch_layout, 1);
    soundCodec->bit_rate = traits->soundBitrate;
    soundCodec->time_base = AVRational{1, AudioTrack::SAMPLE_RATE};
    if (container->oformat->flags & AVFMT_GLOBALHEADER) soundCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(soundCodec, soundInfo, nullptr);
    if (result < 0) {
        why = "the " + label + " refuses mono sound at " + std::to_string(AudioTrack::SAMPLE_RATE) +
              " samples/s: " + libraryError(result);
        return false;
    }
    soundStream = avformat_new_stream(container, nullptr);
    soundFrame = av_frame_alloc();
    if (!soundStream || !soundFrame || avcodec_parameters_from_context(soundStream->codecpar, soundCodec) < 0) {
        why = "out of memory starting the sound of the ." + std::string(traits->muxer) + " file";
        return false;
    }
    soundStream->time_base = soundCodec->time_base;
    // PCM takes blocks of any length; the others their own frame size.
    soundFrameSize = soundCodec->frame_size > 0 ? soundCodec->frame_size : 1024;
    soundFrame->format = soundCodec->sample_fmt;
    soundFrame->sample_rate = soundCodec->sample_rate;
    soundFrame->nb_samples = soundFrameSize;
    if (av_channel_layout_copy(&soundFrame->ch_layout, &soundCodec->ch_layout) < 0 ||
        av_frame_get_buffer(soundFrame, 0) < 0) {
        why = "out of memory for a block of sound";
        return false;
    }
    return true;
}

bool VideoWriter::Encoder::sendSound(bool atEnd, std::string& why)
{
    const int64_t clipSamples = AudioTrack::sampleAt(nextPts / frameRate);
    const bool takesShortBlock = soundCodec->codec->capabilities &
                                 (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    while (soundSent < clipSamples) {
        const int count = static_cast<int>(std::min<int64_t>(soundFrameSize, clipSamples - soundSent));
        if (count < soundFrameSize && !atEnd) break;
        int result = av_frame_make_writable(soundFrame);
        if (result < 0) {
            why = "out of memory for a block of sound: " + libraryError(result);
            return false;
        }
        // An encoder that takes only whole blocks gets the last one padded
        // with silence.
        soundFrame->nb_samples = takesShortBlock ? count : soundFrameSize;
        for (int i = 0; i < soundFrame->nb_samples; ++i) {
            const float sample = i < count ? std::clamp(sound->at(soundStart + soundSent + i), -1.0f, 1.0f) : 0.0f;
            if (traits->soundSamples == AV_SAMPLE_FMT_S16) {
                reinterpret_cast<int16_t*>(soundFrame->data[0])[i] = static_cast<int16_t>(std::lrint(sample * 32767.0f));
            } else {
                reinterpret_cast<float*>(soundFrame->data[0])[i] = sample; // one channel: planar and packed agree
            }
        }
        soundFrame->pts = soundSent;
        if (!send(soundCodec, soundStream, traits->soundLabel, soundFrame, why)) return false;
        soundSent += count;
    }
    return !atEnd || send(soundCodec, soundStream, traits->soundLabel, nullptr, why);
}

const RgbaImage& VideoWriter::Encoder::layOut(RgbaImage& frame, RgbaImage& padded) const
{
    RgbaImage* target = &frame;
    if (codedWidth != width || codedHeight != height) {
        padded.width = static_cast<unsigned>(codedWidth);
        padded.height = static_cast<unsigned>(codedHeight);
        padded.pixels.resize(static_cast<size_t>(codedWidth) * codedHeight * 4);
        // Padding repeats the last column and row, so no edge of another
        // colour bleeds into the picture through the encoder.
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        for (int y = 0; y < codedHeight; ++y) {
            const uint8_t* source = frame.pixels.data() + std::min(y, height - 1) * rowBytes;
            uint8_t* row = padded.pixels.data() + static_cast<size_t>(y) * codedWidth * 4;
            std::copy(source, source + rowBytes, row);
            for (int x = width; x < codedWidth; ++x) std::copy(source + rowBytes - 4, source + rowBytes, row + x * 4);
        }
        target = &padded;
    }
    // Opaque frames hide any background.
    if (!traits->keepsAlpha && !opaque) {
        compositeOver(*target, background);
        // A background that is not opaque itself ends up over black.
        if (background.a < 255) compositeOver(*target, Rgba8{0, 0, 0, 255});
    }
    return *target;
}

AVFrame* VideoWriter::Encoder::takePicture()
{
    AVFrame* picture = nullptr;
    {
        std::lock_guard<std::mutex> held(idleLock);
        if (!idlePictures.empty()) {
            picture = idlePictures.back();
            idlePictures.pop_back();
        }
    }
    // An encoder that still holds the pixels of a picture given to it keeps
    // them: this picture gets new ones.
    if (picture && av_frame_is_writable(picture)) return picture;
    if (!picture) picture = av_frame_alloc();
    if (!picture) return nullptr;
    av_frame_unref(picture);
    picture->format = pixels;
    picture->width = codedWidth;
    picture->height = codedHeight;
    picture->color_range = codec->color_range;
    picture->colorspace = codec->colorspace;
    picture->color_primaries = codec->color_primaries;
    picture->color_trc = codec->color_trc;
    if (av_frame_get_buffer(picture, 0) < 0) av_frame_free(&picture);
    return picture;
}

// Sends a frame (null to flush) to one of the encoders and writes every
// packet it has ready.
bool VideoWriter::Encoder::send(AVCodecContext* encoder, AVStream* target, const char* label, AVFrame* frame,
                                std::string& why)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0) {
        why = "the " + std::string(label) + " encoder failed: " + libraryError(result);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(encoder, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) {
            why = "the " + std::string(label) + " encoder failed: " + libraryError(result);
            return false;
        }
        av_packet_rescale_ts(packet, encoder->time_base, target->time_base);
        packet->stream_index = target->index;
        result = av_interleaved_write_frame(container, packet);
        if (result < 0) {
            why = cannotWrite(result);
            return false;
        }
    }
}

VideoWriter::VideoWriter() = default;

VideoWriter::~VideoWriter() = default;

bool VideoWriter::check(const std::string& path, VideoFormat format, const VideoSettings& settings, std::string& why)
{
    const FormatTraits* traits = traitsOf(format);
    if (!traits) {
        why = "'" + path + "' is not a video file name (use " + videoExtensionList() + ")";
        return false;
    }
    std::string label = describeVideoFormat(format);
    if (settings.width < 1 || settings.height < 1) {
        why = "a video frame cannot be " + sizeText(settings.width, settings.height);
        return false;
    }
    if (!(settings.frameRate > 0) || !std::isfinite(settings.frameRate) || settings.frameRate > 1000) {
        why = "frame rate " + std::to_string(settings.frameRate) + " is outside what a video file takes (above 0, at most 1000)";
        return false;
    }
    if (settings.crf >= 0 && traits->maxCrf < 0) {
        why = label + " has no --crf setting";
        return false;
    }
    if (settings.crf > traits->maxCrf) {
        why = "--crf for " + label + " is from 0 to " + std::to_string(traits->maxCrf);
        return false;
    }
    if (settings.bitrate < 0 || (settings.bitrate > 0 && !traits->takesBitrate)) {
        why = settings.bitrate < 0 ? "--bitrate cannot be negative" : label + " has no --bitrate setting";
        return false;
    }
    if (!avcodec_find_encoder_by_name(traits->encoderName)) {
        why = "the FFmpeg libraries of this machine have no " + std::string(traits->encoderName) + " encoder for " + label;
        return false;
    }
    return true;
}

bool VideoWriter::open(const std::string& path, VideoFormat format, const VideoSettings& settings, std::string& why)
{
    abandon();
    adjustment.clear();
    frames = 0;
    if (!check(path, format, settings, why)) return false;
    const FormatTraits* traits = traitsOf(format);
    const AVCodec* codecInfo = avcodec_find_encoder_by_name(traits->encoderName);

    startLibraryLog();
    auto started = std::make_unique<Encoder>();
    started->traits = traits;
    started->opaque = settings.opaque;
    started->pixels = settings.opaque ? traits->opaquePixels : traits->pixels;
    started->path = path;
    started->temporaryPath = temporaryPathFor(path);
    started->width = settings.width;
    started->height = settings.height;
    started->background = settings.background;
    started->frameRate = settings.frameRate;
    started->sound = settings.sound;
    started->soundStart = settings.soundStart;
    started->codedWidth = traits->needsEvenSides ? (settings.width + 1) & ~1 : settings.width;
    started->codedHeight = traits->needsEvenSides ? (settings.height + 1) & ~1 : settings.height;
    if (!started->start(settings, codecInfo, why)) return false; // the encoder cleans up after itself
    if (started->codedWidth != settings.width || started->codedHeight != settings.height) {
        adjustment = std::string(traits->codecLabel) + " needs even sides: the clip is " +
                     sizeText(started->codedWidth, started->codedHeight) + ", the " +
                     sizeText(settings.width, settings.height) + " frames with their last column/row repeated";
    }
    encoder = std::move(started);
    return true;
}

struct VideoWriter::Picture {
    AVFrame* frame = nullptr;
    ~Picture() { av_frame_free(&frame); }
};

void VideoWriter::PictureRelease::operator()(Picture* picture) const { delete picture; }

bool VideoWriter::writeFrame(const RgbaImage& frame, std::string& why)
{
    RgbaImage copy = frame;
    PicturePtr picture;
    return convertFrame(copy, picture, why) && writePicture(std::move(picture), why);
}

bool VideoWriter::convertFrame(RgbaImage& frame, PicturePtr& picture, std::string& why)
{
    if (!encoder) {
        why = "no video file is open";
        return false;
    }
    Encoder& e = *encoder;
    if (frame.width != static_cast<unsigned>(e.width) || frame.height != static_cast<unsigned>(e.height) ||
        frame.pixels.size() != static_cast<size_t>(e.width) * e.height * 4) {
        why = "a " + sizeText(static_cast<int>(frame.width), static_cast<int>(frame.height)) + " frame for a " +
              sizeText(e.width, e.height) + " clip";
        return false;
    }
    RgbaImage padded;
    const RgbaImage& source = e.layOut(frame, padded);
    PicturePtr made(new Picture);
    made->frame = e.takePicture();
    if (!made->frame) {
        why = "out of memory for a video frame";
        return false;
    }
    YuvPlanes planes;
    for (int plane = 0; plane < 4; ++plane) {
        planes.data[plane] = made->frame->data[plane];
        planes.linesize[plane] = made->frame->linesize[plane];
    }
    convertToYuv(source.pixels.data(), e.codedWidth, e.codedHeight, e.traits->layout, planes);
    picture = std::move(made);
    return true;
}

bool VideoWriter::writePicture(PicturePtr picture, std::string& why)
{
    if (!encoder) {
        why = "no video file is open";
        return false;
    }
    if (!picture || !picture->frame) {
        why = "no converted frame was given";
        return false;
    }
    Encoder& e = *encoder;
    picture->frame->pts = e.nextPts++;
    if (!e.send(e.codec, e.stream, e.traits->codecLabel, picture->frame, why)) return false;
    e.giveBack(picture->frame);
    picture->frame = nullptr;
    ++frames;
    return !e.sound || e.sendSound(false, why);
}

bool VideoWriter::finish(std::string& why)
{
    if (!encoder) {
        why = "no video file is open";
        return false;
    }
    Encoder& e = *encoder;
    if (frames == 0) {
        why = "no frames were given for '" + e.path + "'";
        abandon();
        return false;
    }
    bool done = e.send(e.codec, e.stream, e.traits->codecLabel, nullptr, why);
    if (done && e.sound) done = e.sendSound(true, why);
    if (done) {
        int result = av_write_trailer(e.container);
        if (result < 0) {
            why = e.cannotWrite(result);
            done = false;
        }
    }
    int closed = e.release();
    if (done && closed < 0) {
        why = e.cannotWrite(closed);
        done = false;
    }
    if (done && std::rename(e.temporaryPath.c_str(), e.path.c_str()) != 0) {
        why = "cannot write '" + e.path + "': " + std::strerror(errno);
        done = false;
    }
    e.completed = done;
    encoder.reset();
    return done;
}

void VideoWriter::abandon() { encoder.reset(); }

} // namespace tavrix_media
