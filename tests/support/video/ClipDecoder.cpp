#include "ClipDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

using tavrix_media::RgbaImage;

namespace tavrix_test {

// Decodes every frame to straight RGBA, converting from BT.709 limited range
// as the clip is tagged, with chroma interpolated at full resolution. VP9's
// alpha lives beside the picture and only the libvpx decoder reads it.
bool decodeClip(const std::string& path, DecodedClip& clip, std::string& why)
{
    AVFormatContext* container = nullptr;
    if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0) {
        why = "cannot open " + path;
        return false;
    }
    avformat_find_stream_info(container, nullptr);
    // A clip with sound has a second stream beside the picture.
    const int index = av_find_best_stream(container, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVStream* stream = index >= 0 ? container->streams[index] : nullptr;
    const AVCodec* decoder = nullptr;
    if (stream) {
        decoder = stream->codecpar->codec_id == AV_CODEC_ID_VP9 ? avcodec_find_decoder_by_name("libvpx-vp9")
                                                                 : avcodec_find_decoder(stream->codecpar->codec_id);
    }
    AVCodecContext* codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    bool ok = codec && avcodec_parameters_to_context(codec, stream->codecpar) >= 0 &&
              avcodec_open2(codec, decoder, nullptr) >= 0;
    if (!ok) why = "no decoder for " + path;
    clip.width = stream ? stream->codecpar->width : 0;
    clip.height = stream ? stream->codecpar->height : 0;
    clip.frameRate = stream ? av_q2d(stream->avg_frame_rate) : 0;

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&]() {
        while (avcodec_receive_frame(codec, frame) >= 0) {
            const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
            clip.alphaPlane = (layout->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
            SwsContext* scaler = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                                frame->width, frame->height, AV_PIX_FMT_RGBA,
                                                SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT, nullptr, nullptr, nullptr);
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(scaler, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
            RgbaImage image{static_cast<unsigned>(frame->width), static_cast<unsigned>(frame->height), {}};
            image.pixels.assign(image.width * image.height * 4, 255);
            uint8_t* planes[1] = {image.pixels.data()};
            int strides[1] = {frame->width * 4};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scaler);
            clip.frames.push_back(std::move(image));
        }
    };
    while (ok && av_read_frame(container, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0) receive();
        av_packet_unref(packet);
    }
    if (ok) {
        avcodec_send_packet(codec, nullptr);
        receive();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&container);
    return ok;
}

} // namespace tavrix_test
