// `quenvara render`: inputs through one effect or a chain into an image, an
// image sequence or a video.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include <fmt/format.h>

#include "BoundedQueue.h"
#include "Commands.h"
#include "MediaIO.h"
#include "Orientation.h"
#include "PluginHost.h"
#include "ShaderPackage.h"
#include "ShaderTemplate.h"
#include "Terminal.h"
#include "TestMaterial.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/PixelBuffer.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kRenderHelp = R"(usage: quenvara render -i INPUT [-i INPUT ...] -o OUTPUT
                       (--effect CLASS [--preset NAME] [--set NAME=VALUE ...] ...
                        | --chain FILE.json)
                       [--duration SECONDS [--offset TIME]]
                       [--start N | --from TIME] [--frames N | --to TIME]
                       [--fps F] [--size WxH] [--no-autorotate]
                       [--codec NAME] [--pix-fmt NAME] [--crf N] [--encoder-preset NAME]
                       [--bitrate RATE] [--background COLOUR] [-y | -n]
                       [--transfer direct|pixel-buffers]

Inputs are local pictures (PNG, JPEG, TIFF, ...), videos, or the built-in
material builtin:testcard, builtin:noisycard (the card with grain),
builtin:lights (small bright lights in the dark),
builtin:clip (2 seconds of moving shapes) and builtin:verticalclip (the clip
shot upright, transparent at the sides) at --size (default 1280x720). File names are taken literally. The first effect
(CLASS: its id or short name, e.g. invert) takes the inputs: one for an
effect, two for a transition (which lasts --duration seconds), any number for
a variable-input effect; each further effect takes the result.

A transition between two videos joins them: the first clip, the transition
over its last --duration seconds and the second clip's first, then the rest
of the second clip. --offset TIME starts the transition elsewhere in the first
clip (as FFmpeg's xfade does); the second clip is read at the first one's
frame rate. A transition with a picture among its inputs renders just the
transition, unless --offset places it.

OUTPUT is a picture, a numbered picture sequence (out_%04d.png) or a video
(.mp4, .mkv, .mov, .webm, .avi); the extension picks the format. Time stamps
and the frame rate of the first video input are kept (else --fps, 25).
--start and --frames render part of the frames, numbered as in the whole;
--from and --to do so by time (seconds or HH:MM:SS.fff).
Videos whose file carries a display orientation (phones record upright video
sideways) are turned upright first; --no-autorotate takes the frames as stored.
An existing OUTPUT is kept unless -y (--overwrite) is given; -n never
overwrites. Ctrl-C stops the render and removes what it wrote (exit 130).

Colour: YCbCr inputs are read by the matrix and range they are tagged with
(untagged: BT.709 from 1280x720 up, else BT.601); videos are written in and
tagged with the first video input's matrix, else BT.709 from 1280x720 up and
BT.601 below, with the frames' primaries and transfer.

Encoding: --codec picks the encoder (libx264, libvpx-vp9, prores_ks, ffv1,
...), --pix-fmt its pixel format (yuv420p, yuv420p10le, yuva420p, ...),
--crf its constant quality (default 18 for libx264, 30 for libvpx-vp9),
--encoder-preset its speed (libx264: ultrafast ... medium ... veryslow), --bitrate a
rate in bits per second (2M, 800k) instead of constant quality.
Alpha is kept by PNG, VP9 (.webm), ProRes 4444 (.mov --codec prores_ks) and
FFV1 (.mkv --codec ffv1); other formats show the frames over --background
(#RRGGBB or black, white, grey, red, green, blue; default black).

--transfer picks how frames move to and from the GPU: direct (the default,
the faster on software renderers) or pixel-buffers (pixel buffer objects,
which let a GPU driver copy while it renders).

--preset NAME starts the effect from one of its named presets (quenvara
describe CLASS lists them); --set then changes single parameters.
--set NAME=@X,Y sets a colour parameter (a chroma key's key) to the colour
of the first input's pixel X, Y, counted from the top-left corner.

A chain file lists the effects: [{"class": "SettingsEffectInvert",
"settings": {"intensity": 0.5}}, ...]; "preset": "NAME" beside "class" starts
an effect from a preset, its "settings" applied over it.

An ISF package file (--effect shader.fs, with shader.vs beside it if there is
one) runs as the ISF effect, transition or multi-input effect its inputs call
for; --set NAME=VALUE sets its inputs (colours and points as 1,0,0,1).

A package without image inputs (a generator) draws from nothing and needs
no -i: it renders --frames N or --duration SECONDS of frames (a picture
OUTPUT: one) at --size and --fps, its TIME and FRAMEINDEX advancing frame by
frame; audio inputs get silence. A package that draws from its IMPORTED
pictures alone needs no -i either (it renders at the first one's size).

A GLSL fragment shader file (--effect look.glsl, or .frag) runs as the
template effect, or as the template transition when it declares the samplers
tex0 and tex1 (two inputs and --duration); --set intensity=0.5 and
--set aux=picture.png set its intensity and auxTex picture. quenvara describe
look.glsl lists the uniforms it uses.
)";

constexpr double kMicrosecondsPerSecond = 1000000.0;
constexpr int kClipSeconds = 2;
// Bounds of the numeric options: frame numbers up to 100 million (46 days at
// 25 fps), a day for --duration, 1000 fps, and the codecs' quality scales.
constexpr std::int64_t kMaxFrameNumber = 100'000'000;
constexpr double kMaxDurationSeconds = 86400.0;
constexpr double kMaxFps = 1000.0;
constexpr int kMaxCrf = 63;
constexpr std::int64_t kMaxBitrate = 10'000'000'000;

enum class Overwrite { Refuse, Always, Never };

struct Stage {
  std::string classId;
  Property settings;
  std::vector<std::string> assignments;
  std::string preset;  // applied before the settings and assignments
};

struct Options {
  std::vector<std::string> inputs;
  std::string output;
  std::vector<Stage> stages;
  bool fromChain = false;
  bool fromEffect = false;
  std::optional<double> duration;
  std::optional<double> offset;  // seconds into the first clip where a join's transition starts
  int start = 0;
  std::optional<int> frames;
  std::optional<double> fps;
  std::optional<double> from;  // seconds
  std::optional<double> to;    // seconds
  int width = 1280;
  int height = 720;
  bool autorotate = true;
  bool sizeGiven = false;
  EncodeOptions encode;
  Overwrite overwrite = Overwrite::Refuse;
  Ogl::TransferPath transfer = Ogl::TransferPath::Direct;
};

Ogl::TransferPath ParseTransfer(const std::string& text) {
  if (text == "direct") return Ogl::TransferPath::Direct;
  if (text == "pixel-buffers") return Ogl::TransferPath::PixelBuffer;
  throw UsageError(fmt::format("--transfer takes direct or pixel-buffers, not '{}'", text));
}

int ParseCount(const std::string& text, const char* option) {
  std::int64_t value = -1;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || value < 0 || value > kMaxFrameNumber) {
    throw UsageError(fmt::format("{} takes a whole number of frames from 0 to {}, not '{}'", option,
                                 kMaxFrameNumber, text));
  }
  return static_cast<int>(value);
}

double ParsePositive(const std::string& text, const char* option, double maximum) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value) || value <= 0.0 ||
      value > maximum) {
    throw UsageError(
        fmt::format("{} takes a number above 0 and up to {}, not '{}'", option, maximum, text));
  }
  return value;
}

// Seconds (12.5) or a timecode ([HH:]MM:SS[.fff]) from 0 to a day.
double ParseTime(const std::string& text, const char* option) {
  static const std::regex kTime(
      "(?:([0-9]{1,2}):)?(?:([0-9]{1,2}):)?([0-9]{1,9}(?:\\.[0-9]{0,9})?)");
  constexpr double kSecondsPerMinute = 60.0;
  std::smatch match;
  if (std::regex_match(text, match, kTime)) {
    // One colon: MM:SS; two: HH:MM:SS.
    double seconds = std::stod(match[3].str());
    const std::string first = match[1].str();
    const std::string second = match[2].str();
    if (!second.empty()) {
      seconds += (std::stod(first) * kSecondsPerMinute + std::stod(second)) * kSecondsPerMinute;
    } else if (!first.empty()) {
      seconds += std::stod(first) * kSecondsPerMinute;
    }
    if (seconds <= kMaxDurationSeconds) return seconds;
  }
  throw UsageError(fmt::format(
      "{} takes seconds (12.5) or a timecode (HH:MM:SS.fff) up to a day, not '{}'", option, text));
}

// 2M, 800k or a number of bits per second.
std::int64_t ParseBitrate(const std::string& text) {
  constexpr double kKilo = 1e3;
  constexpr double kMega = 1e6;
  double scale = 1.0;
  std::string number = text;
  if (!number.empty() && (number.back() == 'k' || number.back() == 'K')) scale = kKilo;
  if (!number.empty() && (number.back() == 'm' || number.back() == 'M')) scale = kMega;
  if (scale != 1.0) number.pop_back();
  double value = 0.0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  const double bits = value * scale;
  if (number.empty() || error != std::errc() || stop != end || !std::isfinite(bits) || bits < 1.0 ||
      bits > static_cast<double>(kMaxBitrate)) {
    throw UsageError(fmt::format(
        "--bitrate takes bits per second such as 2M or 800k (up to 10G), not '{}'", text));
  }
  return static_cast<std::int64_t>(bits);
}

// #RRGGBB, RRGGBB or a colour name.
std::array<std::uint8_t, 3> ParseColour(const std::string& text) {
  static const std::vector<std::pair<std::string, std::array<std::uint8_t, 3>>> kNames{
      {"black", {0, 0, 0}},      {"white", {255, 255, 255}}, {"grey", {128, 128, 128}},
      {"gray", {128, 128, 128}}, {"red", {255, 0, 0}},       {"green", {0, 255, 0}},
      {"blue", {0, 0, 255}}};
  for (const auto& [name, colour] : kNames) {
    if (text == name) return colour;
  }
  static const std::regex kHex("#?([0-9a-fA-F]{2})([0-9a-fA-F]{2})([0-9a-fA-F]{2})");
  std::smatch match;
  if (!std::regex_match(text, match, kHex)) {
    throw UsageError(fmt::format(
        "--background takes #RRGGBB or black, white, grey, red, green, blue, not '{}'", text));
  }
  constexpr int kHexBase = 16;
  std::array<std::uint8_t, 3> colour{};
  for (std::size_t c = 0; c < colour.size(); ++c) {
    colour[c] = static_cast<std::uint8_t>(std::stoi(match[c + 1].str(), nullptr, kHexBase));
  }
  return colour;
}

// The JSON text of a chain file, its parse errors given as FILE:LINE:COLUMN.
Property ReadChainJson(const std::string& path, const std::string& text) {
  try {
    return Property::FromJson(text);
  } catch (const std::invalid_argument& error) {
    static const std::regex kPlace("line ([0-9]+), column ([0-9]+): (.*)");
    std::smatch match;
    const std::string message = error.what();
    if (std::regex_search(message, match, kPlace)) {
      throw UsageError(fmt::format("{}:{}:{}: invalid JSON: {}", path, match[1].str(),
                                   match[2].str(), match[3].str()));
    }
    throw UsageError(fmt::format("{}: {}", path, message));
  }
}

std::vector<Stage> ReadChain(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw MediaError(fmt::format("{}: cannot read the chain file", path));
  std::stringstream text;
  text << file.rdbuf();
  const Property chain = ReadChainJson(path, text.str());
  const Property& list = chain.FindChild("effects") ? chain.GetChild("effects") : chain;
  std::vector<Stage> stages;
  for (const auto& [key, item] : list.Children()) {
    const Property* id = item.FindChild("class");
    if (id == nullptr || !std::holds_alternative<std::string>(id->GetValue())) {
      throw UsageError(fmt::format("{}: each effect needs a \"class\"", path));
    }
    Stage stage{std::get<std::string>(id->GetValue()), {}, {}, {}};
    if (const Property* preset = item.FindChild("preset")) {
      if (!std::holds_alternative<std::string>(preset->GetValue())) {
        throw UsageError(
            fmt::format("{}: the \"preset\" of {} must be a name", path, stage.classId));
      }
      stage.preset = std::get<std::string>(preset->GetValue());
    }
    if (const Property* settings = item.FindChild("settings")) {
      if (settings->HasValue()) {
        throw UsageError(
            fmt::format("{}: the \"settings\" of {} must be an object", path, stage.classId));
      }
      stage.settings = *settings;
    }
    stages.push_back(std::move(stage));
  }
  if (stages.empty()) throw UsageError(fmt::format("{}: the chain lists no effect", path));
  return stages;
}

Options ParseOptions(const Arguments& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
      return arguments[++i];
    };
    if (option == "-i" || option == "--input") {
      options.inputs.push_back(value());
    } else if (option == "-o" || option == "--output") {
      options.output = value();
    } else if (option == "--effect") {
      options.stages.push_back(Stage{value(), {}, {}, {}});
      options.fromEffect = true;
    } else if (option == "--set") {
      if (options.stages.empty()) throw UsageError("--set comes after the --effect it sets");
      options.stages.back().assignments.push_back(value());
    } else if (option == "--preset") {
      if (options.stages.empty() || !options.fromEffect) {
        throw UsageError(
            "--preset names a preset of the --effect before it (the encoder's speed is "
            "--encoder-preset)");
      }
      if (!options.stages.back().preset.empty()) throw UsageError("one --preset per --effect");
      options.stages.back().preset = value();
    } else if (option == "--chain") {
      for (auto& stage : ReadChain(value())) options.stages.push_back(std::move(stage));
      options.fromChain = true;
    } else if (option == "--no-autorotate") {
      options.autorotate = false;
    } else if (option == "--duration") {
      options.duration = ParsePositive(value(), "--duration", kMaxDurationSeconds);
    } else if (option == "--offset") {
      options.offset = ParseTime(value(), "--offset");
    } else if (option == "--start") {
      options.start = ParseCount(value(), "--start");
    } else if (option == "--frames") {
      options.frames = ParseCount(value(), "--frames");
    } else if (option == "--from") {
      options.from = ParseTime(value(), "--from");
    } else if (option == "--to") {
      options.to = ParseTime(value(), "--to");
    } else if (option == "--fps") {
      options.fps = ParsePositive(value(), "--fps", kMaxFps);
    } else if (option == "--size") {
      const FrameSize size = ParseSize(value(), "--size");
      options.width = size.width;
      options.height = size.height;
      options.sizeGiven = true;
    } else if (option == "--codec") {
      options.encode.codec = value();
    } else if (option == "--pix-fmt") {
      options.encode.pixelFormat = value();
    } else if (option == "--crf") {
      options.encode.crf = ParseCount(value(), "--crf");
      if (*options.encode.crf > kMaxCrf) {
        throw UsageError(fmt::format("--crf takes 0 to {}, not {}", kMaxCrf, *options.encode.crf));
      }
    } else if (option == "--encoder-preset") {
      options.encode.preset = value();
    } else if (option == "--bitrate") {
      options.encode.bitrate = ParseBitrate(value());
    } else if (option == "--transfer") {
      options.transfer = ParseTransfer(value());
    } else if (option == "--background") {
      options.encode.background = ParseColour(value());
    } else if (option == "-y" || option == "--overwrite" || option == "-n") {
      const Overwrite wanted = option == "-n" ? Overwrite::Never : Overwrite::Always;
      if (options.overwrite != Overwrite::Refuse && options.overwrite != wanted) {
        throw UsageError("-y and -n contradict each other");
      }
      options.overwrite = wanted;
    } else {
      throw UsageError(
          fmt::format("render: unknown option '{}' (see quenvara render --help)", option));
    }
  }
  if (options.output.empty()) throw UsageError("render needs an output (-o)");
  if (options.stages.empty()) throw UsageError("render needs an --effect or a --chain");
  if (options.fromChain && options.fromEffect) {
    throw UsageError("--chain and --effect do not go together: list every effect in the chain");
  }
  if (options.offset && !options.duration)
    throw UsageError("--offset places a transition: give --duration too");
  if (options.from && options.start != 0) throw UsageError("give --from or --start, not both");
  if (options.to && options.frames) throw UsageError("give --to or --frames, not both");
  if (options.from && options.to && *options.to <= *options.from) {
    throw UsageError("--to comes before --from");
  }
  if (options.frames && std::int64_t{options.start} + *options.frames > kMaxFrameNumber) {
    throw UsageError(fmt::format("--start and --frames go past frame {}", kMaxFrameNumber));
  }
  return options;
}

// A source of input frames, read in order.
class Source {
 public:
  virtual ~Source() = default;
  // Frame `index`, or none when the source has ended.
  virtual Ptr<Proc::DataVideoMemory> Frame(int index) = 0;
  virtual bool IsStill() const = 0;
  virtual std::optional<Rational> FrameRate() const { return std::nullopt; }
  // The number of frames, where it is known before reading them.
  virtual std::optional<std::int64_t> FrameCount() const { return std::nullopt; }
  // The YCbCr matrix the source is tagged with.
  virtual std::optional<std::uint32_t> Matrix() const { return std::nullopt; }
  // The reader of a video file, whose audio an output can copy.
  virtual MediaReader* Reader() { return nullptr; }
  virtual std::string Name() const = 0;
};

// A frame of its own with the same pixels, for a picture shown again.
Ptr<Proc::DataVideoMemory> CopyFrame(const Proc::DataVideoMemory& frame) {
  auto copy = MakeRef<Proc::DataVideoMemory>(frame.GetColorSpace(), frame.GetPixelFormat(),
                                             frame.GetFrameInfo());
  std::memcpy(copy->Pixels(), frame.Pixels(),
              frame.Stride() * static_cast<std::size_t>(frame.GetFrameInfo().height));
  copy->SetStartTime(frame.GetStartTime());
  copy->SetDuration(frame.GetDuration());
  return copy;
}

// A picture, repeated for every frame.
class StillSource final : public Source {
 public:
  StillSource(Ptr<Proc::DataVideoMemory> picture, std::string name)
      : picture_(std::move(picture)), name_(std::move(name)) {}
  Ptr<Proc::DataVideoMemory> Frame(int) override { return CopyFrame(*picture_); }
  bool IsStill() const override { return true; }
  std::string Name() const override { return name_; }

 private:
  Ptr<Proc::DataVideoMemory> picture_;
  std::string name_;
};

class VideoSource final : public Source {
 public:
  VideoSource(const std::string& path, std::unique_ptr<Orientation> orientation, bool deep)
      : reader_(path), name_(path), orientation_(std::move(orientation)) {
    if (deep) reader_.ReadDeep();
  }
  Ptr<Proc::DataVideoMemory> Frame(int) override {
    return orientation_ ? orientation_->Upright(reader_.Next()) : reader_.Next();
  }
  bool IsStill() const override { return false; }
  std::optional<Rational> FrameRate() const override { return reader_.FrameRate(); }
  std::optional<std::int64_t> FrameCount() const override { return reader_.FrameCount(); }
  std::optional<std::uint32_t> Matrix() const override { return reader_.Matrix(); }
  MediaReader* Reader() override { return &reader_; }
  std::string Name() const override { return name_; }

 private:
  MediaReader reader_;
  std::string name_;
  std::unique_ptr<Orientation> orientation_;
};

// A built-in clip: `make` draws frame (width, height, index, fps).
class ClipSource final : public Source {
 public:
  using Maker = Ptr<Proc::DataVideoMemory> (*)(int, int, int, double);
  ClipSource(int width, int height, double fps, std::string name, Maker make)
      : width_(width), height_(height), fps_(fps), name_(std::move(name)), make_(make) {}
  Ptr<Proc::DataVideoMemory> Frame(int index) override {
    if (index >= Length()) return nullptr;
    return make_(width_, height_, index, fps_);
  }
  bool IsStill() const override { return false; }
  std::optional<std::int64_t> FrameCount() const override { return Length(); }
  std::string Name() const override { return name_; }

 private:
  int Length() const { return static_cast<int>(std::lround(kClipSeconds * fps_)); }
  int width_, height_;
  double fps_;
  std::string name_;
  Maker make_;
};

// A video read at another frame rate: frame `index` is the one showing
// index / rate seconds after the video's first frame, repeated or skipped
// where the rates differ. Reads in order, like the video it wraps.
class RetimedSource final : public Source {
 public:
  RetimedSource(std::unique_ptr<Source> video, Rational rate)
      : video_(std::move(video)), rate_(rate) {}
  Ptr<Proc::DataVideoMemory> Frame(int index) override {
    const double at = index / rate_.Value() * kMicrosecondsPerSecond;
    // Half an output frame either way, so that equal rates map frame to frame.
    const double slack = kMicrosecondsPerSecond / rate_.Value() / 2.0;
    if (!shown_) {
      shown_ = video_->Frame(read_++);
      if (!shown_) return nullptr;
      first_ = shown_->GetStartTime();
    }
    while (!ended_) {
      if (!next_) next_ = video_->Frame(read_++);
      if (!next_) {
        ended_ = true;
      } else if (static_cast<double>(next_->GetStartTime() - first_) <= at + slack) {
        shown_ = std::move(next_);
      } else {
        break;
      }
    }
    const double shownEnd =
        static_cast<double>(shown_->GetStartTime() - first_ + shown_->GetDuration());
    if (ended_ && at + slack >= shownEnd) return nullptr;
    return CopyFrame(*shown_);
  }
  bool IsStill() const override { return false; }
  std::optional<Rational> FrameRate() const override { return rate_; }
  std::optional<std::int64_t> FrameCount() const override {
    const auto count = video_->FrameCount();
    const auto rate = video_->FrameRate();
    if (!count || !rate) return count;
    return std::llround(static_cast<double>(*count) * rate_.Value() / rate->Value());
  }
  std::optional<std::uint32_t> Matrix() const override { return video_->Matrix(); }
  MediaReader* Reader() override { return video_->Reader(); }
  std::string Name() const override { return video_->Name(); }

 private:
  std::unique_ptr<Source> video_;
  Rational rate_;
  Ptr<Proc::DataVideoMemory> shown_;
  Ptr<Proc::DataVideoMemory> next_;
  int read_ = 0;  // frames read from the video
  std::int64_t first_ = 0;
  bool ended_ = false;
};

std::string EndsTooSoon(const Source& source, int frames, int transitionFrames, double duration) {
  return fmt::format(
      "{} ends after {} frames, before the transition's {} (--duration {}): give a shorter "
      "--duration",
      source.Name(), frames, transitionFrames, duration);
}

// The input frames of each output frame, read in order. Without a join every
// input shows from the start and the first effect takes them all. A join
// shows the first clip alone up to the offset, both clips through the
// transition, then the second clip alone.
class Timeline {
 public:
  struct Step {
    std::vector<Ptr<Proc::DataVideoMemory>> frames;
    bool throughFirstEffect = true;
    std::optional<std::int64_t> time;  // of the first video frame among them
  };

  Timeline(std::vector<std::unique_ptr<Source>>& sources, int transitionFrames, double duration)
      : sources_(sources), transitionFrames_(transitionFrames), duration_(duration) {}

  // Joins the two clips with the transition starting at frame `offset` of
  // the first; `offsetGiven` false when it came from the clip's stated
  // length, which may be a frame long, so the last frame holds instead.
  void Join(int offset, bool offsetGiven) {
    offset_ = offset;
    offsetGiven_ = offsetGiven;
  }

  // Output frame `index`'s inputs, or none after the last.
  std::optional<Step> Read(int index) {
    Step step;
    if (!offset_) {
      for (const auto& source : sources_) {
        if (!Add(step, *source, source->Frame(index))) {
          if (transitionFrames_ > 0) {
            throw MediaError(EndsTooSoon(*source, index, transitionFrames_, duration_));
          }
          return std::nullopt;
        }
      }
      return step;
    }
    const int transitionEnd = *offset_ + transitionFrames_;
    if (index < transitionEnd) Add(step, *sources_[0], ReadFirst(index));
    if (index >= *offset_ && !Add(step, *sources_[1], sources_[1]->Frame(index - *offset_))) {
      if (index < transitionEnd) {
        throw MediaError(EndsTooSoon(*sources_[1], index - *offset_, transitionFrames_, duration_));
      }
      return std::nullopt;
    }
    step.throughFirstEffect = step.frames.size() == sources_.size();
    return step;
  }

 private:
  static bool Add(Step& step, const Source& source, Ptr<Proc::DataVideoMemory> frame) {
    if (!frame) return false;
    if (!source.IsStill() && !step.time) step.time = frame->GetStartTime();
    step.frames.push_back(std::move(frame));
    return true;
  }

  Ptr<Proc::DataVideoMemory> ReadFirst(int index) {
    if (Ptr<Proc::DataVideoMemory> frame = sources_[0]->Frame(index)) {
      last_ = frame;
      return frame;
    }
    if (!offsetGiven_ && last_ && index >= *offset_) return CopyFrame(*last_);
    throw MediaError(fmt::format(
        "{} ends after {} frames, before the transition ends at frame {}: give a smaller "
        "--offset",
        sources_[0]->Name(), index, *offset_ + transitionFrames_));
  }

  std::vector<std::unique_ptr<Source>>& sources_;
  int transitionFrames_;
  double duration_;
  std::optional<int> offset_;
  bool offsetGiven_ = false;
  Ptr<Proc::DataVideoMemory> last_;
};

bool IsBuiltIn(const std::string& input) {
  return input.starts_with("builtin:");
}

std::unique_ptr<Source> OpenSource(const std::string& input, const Options& options, double fps,
                                   PluginHost& host) {
  if (input == "builtin:testcard") {
    return std::make_unique<StillSource>(MakeTestCard(options.width, options.height), input);
  }
  if (input == "builtin:lights") {
    return std::make_unique<StillSource>(MakeLightsCard(options.width, options.height), input);
  }
  if (input == "builtin:noisycard") {
    return std::make_unique<StillSource>(MakeNoisyCard(options.width, options.height), input);
  }
  if (input == "builtin:clip") {
    return std::make_unique<ClipSource>(options.width, options.height, fps, input, MakeClipFrame);
  }
  if (input == "builtin:verticalclip") {
    return std::make_unique<ClipSource>(options.width, options.height, fps, input,
                                        MakeVerticalClipFrame);
  }
  if (IsBuiltIn(input)) {
    throw UsageError(fmt::format(
        "unknown built-in input '{}' (builtin:testcard, builtin:noisycard, builtin:lights, "
        "builtin:clip, builtin:verticalclip)",
        input));
  }
  // Deeper inputs keep their precision for an output deeper than 8 bits.
  const bool deep = IsDeepPixelFormat(options.encode.pixelFormat);
  if (IsStillImagePath(input)) {
    MediaReader reader(input);
    if (deep) reader.ReadDeep();
    auto picture = reader.Next();
    if (!picture) throw MediaError(fmt::format("{}: holds no picture", input));
    return std::make_unique<StillSource>(picture, input);
  }
  return std::make_unique<VideoSource>(
      input, options.autorotate ? Orientation::ForFile(host, input) : nullptr, deep);
}

// Writes frames to a picture, a numbered sequence or a video, each file
// through a temporary one; what was written goes again unless Finish() runs.
class Output {
 public:
  Output(std::string path, EncodeOptions encode, Overwrite overwrite)
      : path_(std::move(path)), encode_(std::move(encode)), overwrite_(overwrite) {}
  ~Output() {
    if (!done_) {
      std::error_code ignored;
      for (const auto& file : written_) std::filesystem::remove(file, ignored);
    }
  }

  // Checks the name before any work: a pattern where several pictures come,
  // an existing folder, no file to overwrite unless allowed.
  void Check(bool oneFrame) const {
    if (IsStillImagePath(path_) && !IsSequence() && !oneFrame) {
      throw UsageError(
          fmt::format("writing several frames to {} needs a video file or a numbered pattern such "
                      "as out_%04d.png",
                      path_));
    }
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder)) {
      throw MediaError(fmt::format("{}: the folder {} does not exist", path_, folder.string()));
    }
    if (!IsSequence()) CheckOverwrite(path_);
  }

  void Write(const Proc::DataVideoMemory& frame, int number, Rational rate) {
    const bool alpha = frame.GetPixelFormat() != Proc::PixFmt::RGBX;
    EncodeOptions encode = encode_;
    encode.colorSpace = frame.GetColorSpace();
    if (IsSequence()) {
      const std::string file = SequenceFile(number);
      CheckOverwrite(file);
      MediaWriter writer(file, frame.GetFrameInfo().width, frame.GetFrameInfo().height, rate, alpha,
                         encode);
      writer.Write(frame);
      writer.Close();
      written_.push_back(file);
      return;
    }
    if (!writer_) {
      writer_ = std::make_unique<MediaWriter>(path_, frame.GetFrameInfo().width,
                                              frame.GetFrameInfo().height, rate, alpha, encode);
    }
    writer_->Write(frame);
  }

  // Gives a join's audio (before the first frame is written).
  void JoinAudio(const EncodeOptions::AudioJoin& join) { encode_.audioJoin = join; }

  void Finish() {
    if (writer_) writer_->Close();
    done_ = true;
  }

  // A numbered sequence where the name holds a pattern (%d or %0Nd).
  bool IsSequence() const { return IsSequence(path_); }
  static bool IsSequence(const std::string& path) {
    std::smatch match;
    return IsStillImagePath(path) && std::regex_search(path, match, Pattern());
  }

 private:
  static const std::regex& Pattern() {
    static const std::regex kPattern("%(0?[1-9]?)d");
    return kPattern;
  }

  // Frame `number` in the pattern.
  std::string SequenceFile(int number) const {
    std::smatch match;
    std::regex_search(path_, match, Pattern());
    const int width = match[1].length() > 0 ? std::stoi(match[1].str()) : 0;
    return match.prefix().str() + fmt::format("{:0{}d}", number, width) + match.suffix().str();
  }

  void CheckOverwrite(const std::string& file) const {
    if (overwrite_ == Overwrite::Always || !std::filesystem::exists(file)) return;
    throw MediaError(fmt::format("{} exists{}", file,
                                 overwrite_ == Overwrite::Never
                                     ? " (-n: not overwritten)"
                                     : ": give -y (--overwrite) to replace it"));
  }

  std::string path_;
  EncodeOptions encode_;
  Overwrite overwrite_;
  std::unique_ptr<MediaWriter> writer_;
  std::vector<std::string> written_;
  bool done_ = false;
};

// "N / TOTAL frames  F fps  S s left" on a terminal, or "N frames  F fps"
// without a total.
class ProgressLine {
 public:
  explicit ProgressLine(std::optional<std::int64_t> total)
      : total_(total), shown_(StderrIsTerminal()) {}
  ~ProgressLine() {
    if (shown_ && done_ > 0) std::cerr << "\n";
  }
  void FrameDone() {
    ++done_;
    if (!shown_) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    const double fps = done_ / std::max(seconds, 1e-9);
    if (total_ && *total_ >= done_) {
      std::cerr << fmt::format("\r{} / {} frames  {:.1f} fps  {:.1f} s left   ", done_, *total_,
                               fps, static_cast<double>(*total_ - done_) / fps);
    } else {
      std::cerr << fmt::format("\r{} frames  {:.1f} fps   ", done_, fps);
    }
    std::cerr << std::flush;
  }

 private:
  std::optional<std::int64_t> total_;
  bool shown_;
  std::int64_t done_ = 0;
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

int TransitionFrames(double duration, Rational rate) {
  const double frames = std::round(duration * rate.Value());
  if (frames > static_cast<double>(kMaxFrameNumber)) throw UsageError("--duration is too long");
  return static_cast<int>(frames);
}

void CheckSameSize(const Proc::IDataVideo& a, const Proc::IDataVideo& b, const std::string& what) {
  const auto& first = a.GetFrameInfo();
  const auto& second = b.GetFrameInfo();
  if (first.width != second.width || first.height != second.height) {
    throw MediaError(
        fmt::format("the inputs differ in size ({}x{} and {}x{}): {} needs inputs of one size",
                    first.width, first.height, second.width, second.height, what));
  }
}

// Where a transition between two clips starts in the first, in frames, when
// it joins them: with --offset, or between two videos at the first one's
// end less the transition. None when it renders just the transition.
template <class FrameAt>
std::optional<int> JoinOffset(const std::vector<std::unique_ptr<Source>>& sources,
                              const Options& options, int transitionFrames, FrameAt frameAt) {
  if (sources.size() != 2) return std::nullopt;
  if (options.offset) return frameAt(*options.offset);
  if (sources[0]->IsStill() || sources[1]->IsStill()) return std::nullopt;
  const std::optional<std::int64_t> length = sources[0]->FrameCount();
  if (!length) {
    throw UsageError(fmt::format("{} does not say how long it is: give --offset for the join",
                                 sources[0]->Name()));
  }
  if (*length < transitionFrames) {
    throw MediaError(
        EndsTooSoon(*sources[0], static_cast<int>(*length), transitionFrames, *options.duration));
  }
  return static_cast<int>(*length - transitionFrames);
}

// A frame's inputs on their way to the effects, and the rendered frame on its
// way to the output, with the frame's number. The rendered frame's pixels are
// still being read back: the writer takes them, so that reading one frame
// back overlaps the effects of the next.
struct QueuedStep {
  int index;
  Timeline::Step step;
};
struct RenderedFrame {
  int index;
  Ogl::FrameReadback pixels;
};

// Frames each queue between the stages holds: enough to even out the
// stages' pace, a few frames of memory.
constexpr std::size_t kQueuedFrames = 4;

// Reading, the effects and writing overlap: `read` runs on a thread of its
// own until it gives no more steps, `render` on this one (the effects'
// thread), `write` on a third, with bounded queues between them. The first
// failure stops all three and is rethrown; Ctrl-C stops them and throws
// Interruption.
template <class Read, class Render, class Write>
void RunPipeline(Read& read, Render& render, Write& write) {
  BoundedQueue<QueuedStep> steps(kQueuedFrames);
  BoundedQueue<RenderedFrame> frames(kQueuedFrames);
  std::mutex failureMutex;
  std::exception_ptr failure;
  const auto guarded = [&](auto&& stage) {
    try {
      stage();
    } catch (...) {
      const std::lock_guard lock(failureMutex);
      if (!failure) failure = std::current_exception();
      steps.Cancel();
      frames.Cancel();
    }
  };
  std::thread reader([&] {
    guarded([&] {
      while (std::optional<QueuedStep> step = read()) {
        if (!steps.Push(std::move(*step))) return;
      }
    });
    steps.Close();
  });
  std::thread writer([&] {
    guarded([&] {
      while (std::optional<RenderedFrame> frame = frames.Pop()) write(*frame);
    });
  });
  guarded([&] {
    while (std::optional<QueuedStep> step = steps.Pop()) {
      if (Interrupted() != 0) break;
      if (!frames.Push(render(*step))) return;
    }
  });
  if (Interrupted() != 0) {
    steps.Cancel();
    frames.Cancel();
  }
  frames.Close();
  reader.join();
  writer.join();
  if (const int signal = Interrupted()) throw Interruption(signal);
  if (failure) std::rethrow_exception(failure);
}

// A colour parameter set from a pixel of the first input: --set NAME=@X,Y
// (X, Y from the top-left corner), applied when the first frame is read.
struct ColourPick {
  std::size_t effect;
  std::string name;
  int x;
  int y;
};

std::optional<ColourPick> ParsePick(std::size_t effect, const std::string& assignment) {
  const auto at = assignment.find("=@");
  if (at == std::string::npos) return std::nullopt;
  const std::string point = assignment.substr(at + 2);
  const auto comma = point.find(',');
  ColourPick pick{effect, assignment.substr(0, at), -1, -1};
  const char* end = point.data() + point.size();
  if (comma == std::string::npos ||
      std::from_chars(point.data(), point.data() + comma, pick.x).ptr != point.data() + comma ||
      std::from_chars(point.data() + comma + 1, end, pick.y).ptr != end || pick.x < 0 ||
      pick.y < 0) {
    throw UsageError(fmt::format("--set {} takes a pixel as @X,Y", assignment));
  }
  return pick;
}

// Sets each picked parameter to the colour of its pixel in `frame`.
void ApplyPicks(const std::vector<ColourPick>& picks,
                const std::vector<Ptr<Proc::IEffect>>& effects, const Ptr<Proc::IData>& frame,
                PluginHost& host) {
  const auto rgba = Ogl::DownloadFrame(host.Upload(frame));
  const Proc::FrameInfo& info = rgba->GetFrameInfo();
  for (const ColourPick& pick : picks) {
    if (pick.x >= info.width || pick.y >= info.height) {
      throw UsageError(fmt::format("--set {}=@{},{}: the pixel lies outside the {}x{} picture",
                                   pick.name, pick.x, pick.y, info.width, info.height));
    }
    const std::uint8_t* p = rgba->Row(pick.y) + static_cast<std::size_t>(pick.x) * 4;
    ApplySetting(*effects[pick.effect],
                 fmt::format("{}=#{:02x}{:02x}{:02x}", pick.name, p[0], p[1], p[2]));
  }
}

// The end of a generator's frames without --frames: --duration, or one
// frame for a picture; a video or sequence needs to be told.
int GeneratorEnd(const Options& options, Rational rate) {
  if (options.duration) {
    const double frames = std::round(*options.duration * rate.Value());
    if (frames > static_cast<double>(kMaxFrameNumber)) throw UsageError("--duration is too long");
    if (frames <= options.start) {
      throw UsageError(
          fmt::format("--duration {} ends before --start {}", *options.duration, options.start));
    }
    return static_cast<int>(frames);
  }
  if (IsStillImagePath(options.output) && !Output::IsSequence(options.output)) {
    return options.start + 1;
  }
  throw UsageError(fmt::format(
      "{} draws from nothing (no image input): give its length as --frames N or --duration "
      "SECONDS",
      options.stages.front().classId));
}

}  // namespace

int RunRender(const Arguments& given) {
  if (PrintHelpIfAsked(given, kRenderHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  Options options = ParseOptions(arguments);
  Ogl::SetUploadPath(options.transfer);
  Ogl::SetDownloadPath(options.transfer);

  // The effects, first stage taking the inputs.
  std::vector<Ptr<Proc::IEffect>> effects;
  std::vector<Proc::EffectKind> kinds;
  // Whether the first effect plays between its inputs over --duration.
  bool transition = false;
  std::vector<std::string> inputs = options.inputs;
  std::vector<ColourPick> picks;
  // Whether the first effect is a package that draws from nothing.
  bool generatorFirst = false;
  for (const auto& stage : options.stages) {
    if (IsShaderPackagePath(stage.classId)) {
      if (!stage.preset.empty()) throw UsageError(stage.classId + ": a package has no presets");
      const ShaderPackage package = LoadShaderPackage(stage.classId, stage.assignments);
      if (effects.empty()) {
        inputs = PackageInputs(package, options.inputs);
        generatorFirst = IsGenerator(package);
      }
      effects.push_back(host.Create(package.classId));
      effects.back()->SetSettings(package.settings);
      kinds.push_back(package.kind);
      if (kinds.size() == 1) transition = package.kind == Proc::EffectKind::TwoInput;
      continue;
    }
    std::string classId = stage.classId;
    Property settings = stage.settings;
    if (IsShaderTemplatePath(stage.classId)) {
      ShaderTemplate shader = LoadShaderTemplate(stage.classId);
      classId = shader.classId;
      settings = std::move(shader.settings);
    }
    const Proc::EffectRegistry::Entry& entry = host.Find(classId);
    kinds.push_back(entry.kind);
    if (kinds.size() == 1) transition = IsTransition(entry);
    Ptr<Proc::IEffect> effect = host.Create(classId);
    if (!stage.preset.empty()) ApplyPreset(*effect, stage.preset);
    try {
      effect->SetSettings(settings);
    } catch (const std::logic_error& error) {
      throw UsageError(fmt::format("{}: {}", stage.classId, error.what()));
    }
    for (const auto& assignment : stage.assignments) {
      if (auto pick = ParsePick(effects.size(), assignment)) {
        picks.push_back(*pick);
      } else {
        ApplySetting(*effect, assignment);
      }
    }
    LoadAuxImage(*effect);
    effects.push_back(effect);
  }
  // A package may draw from its imported pictures alone; only one that
  // draws from nothing at all gets a blank frame.
  const bool generator = inputs.empty() && generatorFirst;
  if (inputs.empty() && !generator) throw UsageError("render needs at least one input (-i)");
  const Proc::EffectKind kind = kinds.front();
  for (std::size_t i = 1; i < kinds.size(); ++i) {
    if (kinds[i] != Proc::EffectKind::OneInput) {
      throw UsageError(fmt::format("{} takes several inputs: only the first effect of a chain can",
                                   options.stages[i].classId));
    }
  }
  const std::size_t inputCount = generator ? 1 : options.inputs.size();
  if (kind == Proc::EffectKind::OneInput && inputCount != 1) {
    throw UsageError(
        fmt::format("{} takes one input, not {}", options.stages.front().classId, inputCount));
  }
  if (kind == Proc::EffectKind::TwoInput && inputCount != 2 &&
      !IsShaderPackagePath(options.stages.front().classId)) {
    throw UsageError(
        fmt::format("{} takes two inputs, not {}", options.stages.front().classId, inputCount));
  }
  if (transition && !options.duration) {
    throw UsageError("a transition needs --duration SECONDS");
  }
  if (options.sizeGiven &&
      std::any_of(options.inputs.begin(), options.inputs.end(),
                  [](const std::string& input) { return !IsBuiltIn(input); })) {
    std::cerr << "quenvara: warning: --size sets the size of built-in inputs only; files keep "
                 "their own\n";
  }

  // The sources; the frame rate of the first video, else --fps.
  const double requestedFps = options.fps.value_or(25.0);
  std::vector<std::unique_ptr<Source>> sources;
  for (const auto& input : inputs)
    sources.push_back(OpenSource(input, options, requestedFps, host));
  if (generator) {
    sources.push_back(std::make_unique<StillSource>(
        MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                       Proc::FrameInfo{options.width, options.height, 1, 1}),
        "nothing"));
  }
  Rational rate{static_cast<int>(std::lround(requestedFps * 1000)), 1000};
  Source* firstVideo = nullptr;
  for (const auto& source : sources) {
    if (source->IsStill() || firstVideo != nullptr) continue;
    firstVideo = source.get();
    if (source->FrameRate() && !options.fps) rate = *source->FrameRate();
  }
  if (firstVideo != nullptr) {
    options.encode.matrix = firstVideo->Matrix();
    options.encode.audioFrom = sources.front()->Reader();
  }
  // --from and --to as frame numbers at the output's rate.
  const auto frameAt = [&](double seconds) {
    const double frame = std::round(seconds * rate.Value());
    if (frame > static_cast<double>(kMaxFrameNumber)) {
      throw UsageError(fmt::format("{} s is past frame {}", seconds, kMaxFrameNumber));
    }
    return static_cast<int>(frame);
  };
  if (options.from) options.start = frameAt(*options.from);
  if (options.to) options.frames = std::max(frameAt(*options.to) - options.start, 1);
  const auto frameDuration =
      static_cast<std::int64_t>(std::llround(kMicrosecondsPerSecond / rate.Value()));

  // The frames to read: up to `end` (not included), or until the sources end.
  constexpr int kUntilTheEnd = std::numeric_limits<int>::max();
  int end = options.frames ? options.start + *options.frames : kUntilTheEnd;
  const int transitionFrames = transition ? TransitionFrames(*options.duration, rate) : 0;
  Timeline timeline(sources, transitionFrames, options.duration.value_or(0.0));
  std::optional<int> joinOffset;
  if (transition) {
    joinOffset = JoinOffset(sources, options, transitionFrames, frameAt);
    if (!joinOffset) {
      end = std::min(end, transitionFrames);
    } else {
      timeline.Join(*joinOffset, options.offset.has_value());
      if (sources[1]->IsStill()) {
        end = std::min(end, *joinOffset + transitionFrames);
      } else {
        sources[1] = std::make_unique<RetimedSource>(std::move(sources[1]), rate);
      }
    }
  } else if (generator && end == kUntilTheEnd) {
    end = GeneratorEnd(options, rate);
  } else if (firstVideo == nullptr && end == kUntilTheEnd) {
    end = options.start + 1;
  }
  std::optional<std::int64_t> expected;
  if (end != kUntilTheEnd) {
    expected = end - options.start;
  } else if (joinOffset && sources[1]->FrameCount()) {
    expected = std::max<std::int64_t>(*joinOffset + *sources[1]->FrameCount() - options.start, 0);
  } else if (firstVideo != nullptr && firstVideo->FrameCount()) {
    expected = std::max<std::int64_t>(*firstVideo->FrameCount() - options.start, 0);
  }
  Output output(options.output, options.encode, options.overwrite);
  output.Check(end - options.start == 1);
  const bool withAudio = !IsStillImagePath(options.output);
  if (options.encode.audioFrom != nullptr && withAudio) options.encode.audioFrom->KeepAudio();
  MediaReader* joinedAudio = joinOffset && withAudio ? sources[1]->Reader() : nullptr;
  if (joinedAudio != nullptr) joinedAudio->KeepAudio();

  CatchInterrupts();
  ProgressLine progress(expected);
  std::optional<std::int64_t> firstTime;
  int index = 0;
  // Reads the inputs of the next frame to render, timed; none after the last.
  const auto read = [&]() -> std::optional<QueuedStep> {
    for (; index < end; ++index) {
      std::optional<Timeline::Step> step = timeline.Read(index);
      if (!step) return std::nullopt;
      if (!firstTime) {
        firstTime = step->time.value_or(0);
        if (transition) {
          effects.front()->SetProgress(Proc::TimeToProgress::Linear(
              *firstTime + joinOffset.value_or(0) * frameDuration,
              static_cast<std::int64_t>(*options.duration * kMicrosecondsPerSecond)));
        }
        if (joinOffset && withAudio) {
          output.JoinAudio({joinedAudio, *firstTime + *joinOffset * frameDuration,
                            transitionFrames * frameDuration});
        }
      }
      if (index < options.start) continue;
      // A join is timed from its first frame on; otherwise the inputs' own times count.
      const std::int64_t start = joinOffset ? *firstTime + index * frameDuration
                                            : step->time.value_or(index * frameDuration);
      for (auto& frame : step->frames) {
        frame->SetStartTime(start);
        frame->SetDuration(frameDuration);
      }
      if (step->throughFirstEffect && kind == Proc::EffectKind::TwoInput) {
        CheckSameSize(*step->frames[0], *step->frames[1],
                      transition ? "a transition" : options.stages.front().classId);
      }
      return QueuedStep{index++, std::move(*step)};
    }
    return std::nullopt;
  };
  // Runs the effects on the GPU and starts reading the result back.
  const auto render = [&](QueuedStep& queued) {
    Timeline::Step& step = queued.step;
    if (!picks.empty()) {
      ApplyPicks(picks, effects, step.frames.front(), host);
      picks.clear();
    }
    Ptr<Proc::IData> result;
    if (step.throughFirstEffect && kind != Proc::EffectKind::OneInput) {
      const std::vector<Ptr<Proc::IData>> inputs(step.frames.begin(), step.frames.end());
      result = effects.front()->ProcessData(inputs);
    } else {
      result = host.Upload(step.frames.front());
      if (step.throughFirstEffect) result = effects.front()->ProcessData({result});
    }
    for (std::size_t i = 1; i < effects.size(); ++i) result = effects[i]->ProcessData({result});
    return RenderedFrame{
        queued.index,
        Ogl::StartDownload(Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(result.get())),
                           Ogl::Readback::AsRendered)};
  };
  int rendered = 0;
  const auto write = [&](RenderedFrame& frame) {
    output.Write(*frame.pixels.Take(), frame.index, rate);
    ++rendered;
    progress.FrameDone();
  };
  RunPipeline(read, render, write);
  if (rendered == 0) throw MediaError("no frame to render: the inputs end before --start");
  output.Finish();
  return 0;
}

}  // namespace Obrisk::Tools
