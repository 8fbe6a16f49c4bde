#include "Orientation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <fmt/format.h>

#include "MediaIO.h"
#include "obrisk/ogl/FrameTransfer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace Obrisk::Tools {
namespace {

// The display matrix holds nine 32-bit values; a, b, c and d are 16.16 fixed
// point at indices 0, 1, 3 and 4.
constexpr int kMatrixValues = 9;
constexpr double kFixedOne = 65536.0;

constexpr const char* kDisplayMatrixClass = "SettingsEffectDisplayMatrix";

struct InputCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

}  // namespace

std::optional<std::array<double, 4>> ReadDisplayMatrix(const std::string& path) {
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
    throw MediaError(fmt::format("{}: cannot open the file", path));
  }
  std::unique_ptr<AVFormatContext, InputCloser> format(opened);
  if (avformat_find_stream_info(format.get(), nullptr) < 0) return std::nullopt;
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream < 0) return std::nullopt;
  std::size_t size = 0;
  const std::uint8_t* data =
      av_stream_get_side_data(format->streams[stream], AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (data == nullptr || size < kMatrixValues * sizeof(std::int32_t)) return std::nullopt;
  std::int32_t matrix[kMatrixValues];
  std::memcpy(matrix, data, sizeof(matrix));
  std::array<double, 4> map{matrix[0] / kFixedOne, matrix[1] / kFixedOne, matrix[3] / kFixedOne,
                            matrix[4] / kFixedOne};
  // Only the shape counts: scaled to entries of -1 to 1, as the effect takes them.
  double largest = 0.0;
  for (double value : map) largest = std::max(largest, std::abs(value));
  if (largest == 0.0) return std::nullopt;
  for (double& value : map) value /= largest;
  const bool upright = map[1] == 0.0 && map[2] == 0.0 && map[0] > 0.0 && map[0] == map[3];
  if (upright || map[0] * map[3] - map[1] * map[2] == 0.0) return std::nullopt;
  return map;
}

std::unique_ptr<Orientation> Orientation::ForFile(PluginHost& host, const std::string& path) {
  const auto matrix = ReadDisplayMatrix(path);
  if (!matrix) return nullptr;
  Ptr<Proc::IEffect> effect = host.Create(kDisplayMatrixClass);
  Property settings;
  const char* names[] = {"a", "b", "c", "d"};
  for (std::size_t i = 0; i < matrix->size(); ++i)
    settings.SetChild(names[i], Property((*matrix)[i]));
  effect->SetSettings(settings);
  return std::unique_ptr<Orientation>(new Orientation(host, std::move(effect)));
}

Ptr<Proc::DataVideoMemory> Orientation::Upright(const Ptr<Proc::DataVideoMemory>& frame) {
  if (!frame) return frame;
  Ptr<Proc::IData> turned = effect_->ProcessData({host_.Upload(frame)});
  Ptr<Proc::DataVideoMemory> upright =
      Ogl::DownloadFrame(Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(turned.get())),
                         Ogl::Readback::AsRendered);
  if (upright->GetPixelFormat() != frame->GetPixelFormat()) {
    // The turned picture covers the frame: an opaque input stays opaque.
    auto copy = MakeRef<Proc::DataVideoMemory>(frame->GetColorSpace(), frame->GetPixelFormat(),
                                               upright->GetFrameInfo());
    std::memcpy(copy->Pixels(), upright->Pixels(),
                upright->Stride() * static_cast<std::size_t>(upright->GetFrameInfo().height));
    upright = copy;
  }
  upright->SetStartTime(frame->GetStartTime());
  upright->SetDuration(frame->GetDuration());
  return upright;
}

}  // namespace Obrisk::Tools
