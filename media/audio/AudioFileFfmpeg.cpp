// Sound files through FFmpeg's libraries: libavformat finds the first audio
// stream, libavcodec decodes it, libswresample mixes it down to one channel
// and resamples it.
#include "AudioFile.h"

#include "LibraryLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavrix_media {

namespace {

const int64_t MAX_SAMPLES = static_cast<int64_t>(MAX_AUDIO_SECONDS * AudioTrack::SAMPLE_RATE);

const std::string TOO_LONG = "is longer than " + std::to_string(static_cast<int>(MAX_AUDIO_SECONDS)) + " seconds";

// Everything one decode holds, released however it ends. Failures leave
// their reason in why, worded to follow the file's name.
struct Decoding {
    AVFormatContext* container = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    // What the resampler was set up for: a decoder may change its output
    // within a stream, and the resampler must never read a frame as
    // something it is not.
    int inputFormat = -1;
    int inputRate = 0;
    int inputChannels = 0;
    // Packets or frames the decoder refused.
    int damaged = 0;

    ~Decoding()
    {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&codec);
        avformat_close_input(&container);
    }

    // Appends what the resampler makes of input (null: what it still holds).
    bool convert(const AVFrame* input, AudioTrack& track, std::string& why)
    {
        const size_t before = track.samples.size();
        const int inputCount = input ? input->nb_samples : 0;
        const int room = swr_get_out_samples(resampler, inputCount);
        if (room < 0) {
            why = "cannot be decoded: " + libraryError(room);
            return false;
        }
        // Checked before the room is made: one block of a sound at a tiny
        // rate can stand for hours at the fixed rate.
        if (static_cast<int64_t>(before) + room > MAX_SAMPLES + AudioTrack::SAMPLE_RATE) {
            why = TOO_LONG;
            return false;
        }
        track.samples.resize(before + static_cast<size_t>(room));
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(track.samples.data() + before)};
        const uint8_t** in = input ? const_cast<const uint8_t**>(input->extended_data) : nullptr;
        const int made = swr_convert(resampler, out, room, in, inputCount);
        track.samples.resize(before + static_cast<size_t>(std::max(made, 0)));
        if (made < 0) {
            why = "cannot be decoded: " + libraryError(made);
            return false;
        }
        // Float sound can carry values that are not numbers, or infinite
        // ones (a damaged recording); they become silence, so loudness and
        // the encoders of clips only ever see numbers.
        for (size_t i = before; i < track.samples.size(); ++i) {
            if (!std::isfinite(track.samples[i])) track.samples[i] = 0.0f;
        }
        return true;
    }

    // (Re)starts the resampler for the current frame's layout and rate,
    // first draining one set up for another. A layout without channel order
    // counts as the usual one for its channel count.
    bool followInput(AudioTrack& track, std::string& why)
    {
        const int channels = std::max(frame->ch_layout.nb_channels, 1);
        if (resampler && frame->format == inputFormat && frame->sample_rate == inputRate && channels == inputChannels) {
            return true;
        }
        if (resampler && !convert(nullptr, track, why)) return false;
        swr_free(&resampler);
        AVChannelLayout layout;
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels < 1) {
            av_channel_layout_default(&layout, channels);
        } else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
            why = "cannot be decoded: out of memory";
            return false;
        }
        AVChannelLayout mono;
        av_channel_layout_default(&mono, 1);
        int result = swr_alloc_set_opts2(&resampler, &mono, AV_SAMPLE_FMT_FLT, AudioTrack::SAMPLE_RATE, &layout,
                                         static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        // The mean of the channels: the same sound in mono and in stereo
        // is equally loud, where a downmix for listening would raise it.
        const std::vector<double> mean(static_cast<size_t>(channels), 1.0 / channels);
        if (result >= 0) result = swr_set_matrix(resampler, mean.data(), channels);
        if (result >= 0) result = swr_init(resampler);
        if (result < 0) {
            why = "cannot be decoded: its sound (" + std::to_string(channels) + " channels at " +
                  std::to_string(frame->sample_rate) + " samples/s) cannot be converted: " + libraryError(result);
            return false;
        }
        inputFormat = frame->format;
        inputRate = frame->sample_rate;
        inputChannels = channels;
        return true;
    }

    // Converts every frame the decoder has ready; frames it fails on are
    // counted and skipped, as players skip a damaged stretch.
    bool receive(AudioTrack& track, std::string& why)
    {
        for (;;) {
            int result = avcodec_receive_frame(codec, frame);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) {
                ++damaged;
                return true;
            }
            bool converted = followInput(track, why) && convert(frame, track, why);
            av_frame_unref(frame);
            if (!converted) return false;
        }
    }

    bool open(const std::string& path, std::string& why, int& streamIndex)
    {
        int result = avformat_open_input(&container, path.c_str(), nullptr, nullptr);
        if (result < 0) {
            why = "cannot be opened: " + libraryError(result);
            return false;
        }
        result = avformat_find_stream_info(container, nullptr);
        if (result < 0) {
            why = "cannot be decoded: " + libraryError(result);
            return false;
        }
        const AVCodec* decoder = nullptr;
        streamIndex = av_find_best_stream(container, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (streamIndex == AVERROR_STREAM_NOT_FOUND) {
            why = "has no audio stream";
            return false;
        }
        if (streamIndex < 0 || !decoder) {
            const AVCodecID id = streamIndex >= 0 ? container->streams[streamIndex]->codecpar->codec_id : AV_CODEC_ID_NONE;
            why = "cannot be decoded: the FFmpeg libraries of this machine have no decoder for its " +
                  (id != AV_CODEC_ID_NONE ? std::string(avcodec_get_name(id)) + " " : std::string()) + "sound";
            return false;
        }
        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!codec || !packet || !frame) {
            why = "cannot be decoded: out of memory";
            return false;
        }
        result = avcodec_parameters_to_context(codec, container->streams[streamIndex]->codecpar);
        if (result >= 0) result = avcodec_open2(codec, decoder, nullptr);
        if (result < 0) {
            why = "cannot be decoded: " + libraryError(result);
            return false;
        }
        return true;
    }

    bool decode(const std::string& path, AudioTrack& track, std::string& why)
    {
        int streamIndex = -1;
        if (!open(path, why, streamIndex)) return false;
        // Room for the length the container tells of, within the limit.
        if (container->duration > 0) {
            const double seconds = std::min(static_cast<double>(container->duration) / AV_TIME_BASE, MAX_AUDIO_SECONDS);
            track.samples.reserve(static_cast<size_t>(seconds * AudioTrack::SAMPLE_RATE) + AudioTrack::SAMPLE_RATE);
        }
        for (;;) {
            int result = av_read_frame(container, packet);
            if (result == AVERROR_EOF) break;
            if (result < 0) {
                // A read error ends the stream; what came before it counts.
                ++damaged;
                break;
            }
            if (packet->stream_index == streamIndex && avcodec_send_packet(codec, packet) < 0) ++damaged;
            av_packet_unref(packet);
            if (!receive(track, why)) return false;
        }
        avcodec_send_packet(codec, nullptr);
        if (!receive(track, why) || (resampler && !convert(nullptr, track, why))) return false;
        if (track.samples.empty()) {
            why = damaged ? "cannot be decoded: " + libraryError(AVERROR_INVALIDDATA) : "holds no sound";
            return false;
        }
        if (static_cast<int64_t>(track.samples.size()) > MAX_SAMPLES) {
            why = TOO_LONG;
            return false;
        }
        return true;
    }
};

} // namespace

bool readAudioFile(const std::string& path, AudioTrack& track, std::string& why)
{
    track.samples.clear();
    startLibraryLog();
    Decoding decoding;
    if (decoding.decode(path, track, why)) return true;
    track.samples.clear();
    track.samples.shrink_to_fit();
    why = "'" + path + "' " + why;
    return false;
}

} // namespace tavrix_media
