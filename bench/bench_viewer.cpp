// The viewer's side of one slider update: a 640 x 800 frame of the demo
// puppet as a page asks for it (the state read, the effect's sliders set,
// the frame rendered through the plug-in in the substitute host, the binary
// message made), and what sending the frame would cost in each form it could
// take: raw RGBA as sent, a PNG (the tool's encoder), a JPEG (FFmpeg's).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include <json/json.h>

#include "FolderAccess.h"
#include "FrameMessage.h"
#include "ImageFile.h"
#include "Scene.h"
#include "UploadStore.h"
#include "ViewerSession.h"

#ifdef TAVRIX_BENCH_JPEG
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}
#endif

namespace {

using namespace tavrix_viewer;

const int WIDTH = 640;
const int HEIGHT = 800;

const std::string& demoFolder()
{
    static std::string folder;
    if (folder.empty()) {
        folder = "/tmp/tavrix_bench_viewer_" + std::to_string(getpid());
        std::system(("'" TAVRIX_DEMO_GENERATOR "' '" + folder + "' >/dev/null").c_str());
    }
    return folder;
}

// A page's request with PARAM_ANGLE_X (slider 7) at angle.
Json::Value request(double angle)
{
    Json::Value root(Json::objectValue);
    root["type"] = "render";
    root["id"] = 1;
    Json::Value& state = root["state"];
    state["composition"]["width"] = WIDTH;
    state["composition"]["height"] = HEIGHT;
    state["composition"]["frameRate"] = 30;
    state["composition"]["frameCount"] = 150;
    state["values"]["3"].append(WIDTH / 2);
    state["values"]["3"].append(WIDTH / 2);
    state["values"]["7"] = angle;
    return root;
}

struct Session {
    FolderAccess folder;
    UploadStore uploads;
    std::unique_ptr<ViewerSession> session;
    std::string why;

    Session()
    {
        SceneSource source;
        source.isModel = true;
        source.path = demoFolder() + "/demo.json";
        if (!folder.open(demoFolder(), why)) return;
        session = std::make_unique<ViewerSession>(source, folder, uploads, TAVRIX_PLUGIN_PATH);
        if (!session->open(why)) session.reset();
    }
};

Session& session()
{
    static Session opened;
    return opened;
}

void BM_ViewerUpdate(benchmark::State& state)
{
    Session& open = session();
    if (!open.session) return state.SkipWithError(open.why.c_str());
    double angle = 0;
    std::string message;
    Failure failure;
    for (auto _ : state) {
        angle = angle > 29 ? -29 : angle + 0.5;
        if (!open.session->frame(request(angle), message, failure)) state.SkipWithError(failure.reason.c_str());
    }
}
BENCHMARK(BM_ViewerUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame of the demo puppet, straight alpha.
const tavrix_media::RgbaImage& demoFrame()
{
    static tavrix_media::RgbaImage image;
    if (image.pixels.empty()) {
        Failure failure;
        std::string png;
        Json::Value state = request(12)["state"];
        if (session().session && session().session->exportPng(state, png, failure)) {
            std::string why;
            const std::string path = demoFolder() + "/frame.png";
            std::FILE* file = std::fopen(path.c_str(), "wb");
            std::fwrite(png.data(), 1, png.size(), file);
            std::fclose(file);
            tavrix_media::readPng(path, image, why);
        }
    }
    return image;
}

void BM_FrameAsRawMessage(benchmark::State& state)
{
    const tavrix_media::RgbaImage& image = demoFrame();
    for (auto _ : state) benchmark::DoNotOptimize(frameMessage("{\"type\":\"frame\"}", image));
}
BENCHMARK(BM_FrameAsRawMessage)->Unit(benchmark::kMillisecond);

void BM_FrameAsPng(benchmark::State& state)
{
    const tavrix_media::RgbaImage& image = demoFrame();
    std::vector<uint8_t> png;
    std::string why;
    for (auto _ : state) tavrix_media::encodePng(image, png, why);
    state.counters["bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_FrameAsPng)->Unit(benchmark::kMillisecond);

#ifdef TAVRIX_BENCH_JPEG
// RGBA to 4:2:0 YCbCr and JPEG at quality 90 (the alpha is lost).
void BM_FrameAsJpeg(benchmark::State& state)
{
    const tavrix_media::RgbaImage& image = demoFrame();
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = WIDTH;
    context->height = HEIGHT;
    context->pix_fmt = AV_PIX_FMT_YUVJ420P;
    context->time_base = AVRational{1, 30};
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 3;
    if (avcodec_open2(context, codec, nullptr) < 0) return state.SkipWithError("no MJPEG encoder");
    AVFrame* frame = av_frame_alloc();
    frame->format = context->pix_fmt;
    frame->width = WIDTH;
    frame->height = HEIGHT;
    av_frame_get_buffer(frame, 0);
    SwsContext* convert = sws_getContext(WIDTH, HEIGHT, AV_PIX_FMT_RGBA, WIDTH, HEIGHT, AV_PIX_FMT_YUVJ420P,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr);
    AVPacket* packet = av_packet_alloc();
    int64_t bytes = 0;
    for (auto _ : state) {
        const uint8_t* source[1] = {image.pixels.data()};
        const int stride[1] = {WIDTH * 4};
        av_frame_make_writable(frame);
        sws_scale(convert, source, stride, 0, HEIGHT, frame->data, frame->linesize);
        frame->quality = context->global_quality;
        avcodec_send_frame(context, frame);
        while (avcodec_receive_packet(context, packet) == 0) {
            bytes = packet->size;
            av_packet_unref(packet);
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    av_packet_free(&packet);
    sws_freeContext(convert);
    av_frame_free(&frame);
    avcodec_free_context(&context);
}
BENCHMARK(BM_FrameAsJpeg)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
