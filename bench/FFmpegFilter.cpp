#include "FFmpegFilter.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
}

namespace Obrisk::Bench {
namespace {

// FFmpeg hands frames over in this time base and rate.
constexpr const char* kTimeBase = "1/25";
constexpr const char* kFrameRate = "25/1";

void Check(int result, const std::string& what) {
  if (result < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    throw std::runtime_error(what + ": " + text);
  }
}

struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

FramePtr NewFrame() {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}

// A filter graph with one buffer source per input and one sink.
class FilterGraph {
 public:
  FilterGraph(const std::string& filters, int inputs, int width, int height, AVPixelFormat format)
      : graph_(avfilter_graph_alloc()) {
    if (graph_ == nullptr) throw std::bad_alloc();
    const std::string args = "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
                             ":pix_fmt=" + std::to_string(format) + ":time_base=" + kTimeBase +
                             ":frame_rate=" + kFrameRate + ":pixel_aspect=1/1";
    AVFilterInOut* open = nullptr;
    for (int i = inputs - 1; i >= 0; --i) {
      const std::string name = inputs == 1 ? "in" : "in" + std::to_string(i);
      AVFilterContext* source = nullptr;
      Check(avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), name.c_str(),
                                         args.c_str(), nullptr, graph_),
            "buffer source");
      sources_.insert(sources_.begin(), source);
      AVFilterInOut* entry = avfilter_inout_alloc();
      entry->name = av_strdup(name.c_str());
      entry->filter_ctx = source;
      entry->next = open;
      open = entry;
    }
    Check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                       nullptr, graph_),
          "buffer sink");
    AVFilterInOut* output = avfilter_inout_alloc();
    output->name = av_strdup("out");
    output->filter_ctx = sink_;
    const int parsed = avfilter_graph_parse_ptr(graph_, filters.c_str(), &output, &open, nullptr);
    avfilter_inout_free(&output);
    avfilter_inout_free(&open);
    Check(parsed, "filter graph \"" + filters + "\"");
    Check(avfilter_graph_config(graph_, nullptr), "filter graph \"" + filters + "\"");
  }
  ~FilterGraph() { avfilter_graph_free(&graph_); }
  FilterGraph(const FilterGraph&) = delete;
  FilterGraph& operator=(const FilterGraph&) = delete;

  // Feeds one frame to every input; false while the graph holds its output back.
  bool Push(const std::vector<FramePtr>& frames, std::int64_t pts, AVFrame* result) {
    for (std::size_t i = 0; i < sources_.size(); ++i) {
      frames[i]->pts = pts;
      Check(av_buffersrc_add_frame_flags(sources_[i], frames[i].get(), AV_BUFFERSRC_FLAG_KEEP_REF),
            "feeding the filter graph");
    }
    const int received = av_buffersink_get_frame(sink_, result);
    if (received == AVERROR(EAGAIN)) return false;
    Check(received, "reading the filter graph");
    return true;
  }

 private:
  AVFilterGraph* graph_;
  std::vector<AVFilterContext*> sources_;
  AVFilterContext* sink_ = nullptr;
};

// The picture as an FFmpeg RGBA frame, rows from the top.
FramePtr RgbaFrame(const Proc::DataVideoMemory& picture, const FFmpegColour& colour) {
  FramePtr frame = NewFrame();
  frame->width = picture.GetFrameInfo().width;
  frame->height = picture.GetFrameInfo().height;
  frame->format = AV_PIX_FMT_RGBA;
  Check(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
  for (int y = 0; y < frame->height; ++y) {
    std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                picture.Row(y), static_cast<std::size_t>(frame->width) * 4);
  }
  frame->color_primaries = static_cast<AVColorPrimaries>(colour.primaries);
  frame->color_trc = static_cast<AVColorTransferCharacteristic>(colour.transfer);
  frame->colorspace = AVCOL_SPC_RGB;
  frame->color_range = AVCOL_RANGE_JPEG;
  return frame;
}

// The picture converted to `format` by FFmpeg itself, outside the timing.
FramePtr ConvertedFrame(const Proc::DataVideoMemory& picture, AVPixelFormat format,
                        const FFmpegColour& colour) {
  FramePtr rgba = RgbaFrame(picture, colour);
  if (format == AV_PIX_FMT_RGBA) return rgba;
  FilterGraph conversion(std::string("format=") + av_get_pix_fmt_name(format), 1, rgba->width,
                         rgba->height, AV_PIX_FMT_RGBA);
  std::vector<FramePtr> inputs;
  inputs.push_back(std::move(rgba));
  FramePtr converted = NewFrame();
  if (!conversion.Push(inputs, 0, converted.get())) {
    throw std::runtime_error("the format conversion gave no frame");
  }
  return converted;
}

}  // namespace

void RunFFmpegFilter(benchmark::State& state, const std::string& filters,
                     const std::vector<Ptr<Proc::DataVideoMemory>>& pictures,
                     const std::string& inputFormat, const FFmpegColour& colour) {
  try {
    const AVPixelFormat format = av_get_pix_fmt(inputFormat.c_str());
    if (format == AV_PIX_FMT_NONE) throw std::runtime_error("unknown pixel format " + inputFormat);
    std::vector<FramePtr> frames;
    for (const auto& picture : pictures) frames.push_back(ConvertedFrame(*picture, format, colour));
    const auto& info = pictures.front()->GetFrameInfo();
    FilterGraph graph(filters, static_cast<int>(pictures.size()), info.width, info.height, format);
    FramePtr result = NewFrame();
    std::int64_t pts = 0;
    std::int64_t outputs = 0;
    for (auto _ : state) {
      if (graph.Push(frames, pts++, result.get())) {
        ++outputs;
        av_frame_unref(result.get());
      }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(outputs), benchmark::Counter::kIsRate);
    state.SetLabel(filters);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

}  // namespace Obrisk::Bench
