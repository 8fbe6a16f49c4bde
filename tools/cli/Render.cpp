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

#include <fmt/format.h>

#include "Commands.h"
#include "MediaIO.h"
#include "Orientation.h"
#include "PluginHost.h"
#include "ShaderPackage.h"
#include "ShaderTemplate.h"
#include "Terminal.h"
#include "TestMaterial.h"
#include "obrisk/ogl/FrameTransfer.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kRenderHelp = R"(usage: quenvara render -i INPUT [-i INPUT ...] -o OUTPUT
                       (--effect CLASS [--set NAME=VALUE ...] ... | --chain FILE.json)
                       [--duration SECONDS] [--start N | --from TIME] [--frames N | --to TIME]
                       [--fps F] [--size WxH] [--no-autorotate]
                       [--codec NAME] [--pix-fmt NAME] [--crf N] [--preset NAME]
                       [--bitrate RATE] [--background COLOUR] [-y | -n]

Inputs are local pictures (PNG, JPEG, TIFF, ...), videos, or the built-in
material builtin:testcard and builtin:clip (2 seconds of moving shapes) at
--size (default 1280x720). File names are taken literally. The first effect
(CLASS: its id or short name, e.g. invert) takes the inputs: one for an
effect, two for a transition (which lasts --duration seconds), any number for
a variable-input effect; each further effect takes the result.

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
--preset its speed (libx264: ultrafast ... medium ... veryslow), --bitrate a
rate in bits per second (2M, 800k) instead of constant quality.
Alpha is kept by PNG, VP9 (.webm), ProRes 4444 (.mov --codec prores_ks) and
FFV1 (.mkv --codec ffv1); other formats show the frames over --background
(#RRGGBB or black, white, grey, red, green, blue; default black).

A chain file lists the effects: [{"class": "SettingsEffectInvert",
"settings": {"intensity": 0.5}}, ...].

An ISF package file (--effect shader.fs, with shader.vs beside it if there is
one) runs as the ISF effect, transition or multi-input effect its inputs call
for; --set NAME=VALUE sets its inputs (colours and points as 1,0,0,1).

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
};

struct Options {
  std::vector<std::string> inputs;
  std::string output;
  std::vector<Stage> stages;
  bool fromChain = false;
  bool fromEffect = false;
  std::optional<double> duration;
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
};

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
    Stage stage{std::get<std::string>(id->GetValue()), {}, {}};
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
      options.stages.push_back(Stage{value(), {}, {}});
      options.fromEffect = true;
    } else if (option == "--set") {
      if (options.stages.empty()) throw UsageError("--set comes after the --effect it sets");
      options.stages.back().assignments.push_back(value());
    } else if (option == "--chain") {
      for (auto& stage : ReadChain(value())) options.stages.push_back(std::move(stage));
      options.fromChain = true;
    } else if (option == "--no-autorotate") {
      options.autorotate = false;
    } else if (option == "--duration") {
      options.duration = ParsePositive(value(), "--duration", kMaxDurationSeconds);
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
    } else if (option == "--preset") {
      options.encode.preset = value();
    } else if (option == "--bitrate") {
      options.encode.bitrate = ParseBitrate(value());
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
  if (options.inputs.empty()) throw UsageError("render needs at least one input (-i)");
  if (options.output.empty()) throw UsageError("render needs an output (-o)");
  if (options.stages.empty()) throw UsageError("render needs an --effect or a --chain");
  if (options.fromChain && options.fromEffect) {
    throw UsageError("--chain and --effect do not go together: list every effect in the chain");
  }
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

// A picture, repeated for every frame.
class StillSource final : public Source {
 public:
  StillSource(Ptr<Proc::DataVideoMemory> picture, std::string name)
      : picture_(std::move(picture)), name_(std::move(name)) {}
  Ptr<Proc::DataVideoMemory> Frame(int) override {
    auto copy = MakeRef<Proc::DataVideoMemory>(
        picture_->GetColorSpace(), picture_->GetPixelFormat(), picture_->GetFrameInfo());
    std::memcpy(copy->Pixels(), picture_->Pixels(),
                picture_->Stride() * static_cast<std::size_t>(picture_->GetFrameInfo().height));
    return copy;
  }
  bool IsStill() const override { return true; }
  std::string Name() const override { return name_; }

 private:
  Ptr<Proc::DataVideoMemory> picture_;
  std::string name_;
};

class VideoSource final : public Source {
 public:
  VideoSource(const std::string& path, std::unique_ptr<Orientation> orientation)
      : reader_(path), name_(path), orientation_(std::move(orientation)) {}
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

class ClipSource final : public Source {
 public:
  ClipSource(int width, int height, double fps) : width_(width), height_(height), fps_(fps) {}
  Ptr<Proc::DataVideoMemory> Frame(int index) override {
    if (index >= Length()) return nullptr;
    return MakeClipFrame(width_, height_, index, fps_);
  }
  bool IsStill() const override { return false; }
  std::optional<std::int64_t> FrameCount() const override { return Length(); }
  std::string Name() const override { return "builtin:clip"; }

 private:
  int Length() const { return static_cast<int>(std::lround(kClipSeconds * fps_)); }
  int width_, height_;
  double fps_;
};

bool IsBuiltIn(const std::string& input) {
  return input.starts_with("builtin:");
}

std::unique_ptr<Source> OpenSource(const std::string& input, const Options& options, double fps,
                                   PluginHost& host) {
  if (input == "builtin:testcard") {
    return std::make_unique<StillSource>(MakeTestCard(options.width, options.height), input);
  }
  if (input == "builtin:clip")
    return std::make_unique<ClipSource>(options.width, options.height, fps);
  if (IsBuiltIn(input)) {
    throw UsageError(
        fmt::format("unknown built-in input '{}' (builtin:testcard, builtin:clip)", input));
  }
  if (IsStillImagePath(input)) {
    MediaReader reader(input);
    auto picture = reader.Next();
    if (!picture) throw MediaError(fmt::format("{}: holds no picture", input));
    return std::make_unique<StillSource>(picture, input);
  }
  return std::make_unique<VideoSource>(
      input, options.autorotate ? Orientation::ForFile(host, input) : nullptr);
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

  void Finish() {
    if (writer_) writer_->Close();
    done_ = true;
  }

  // A numbered sequence where the name holds a pattern (%d or %0Nd).
  bool IsSequence() const {
    std::smatch match;
    return IsStillImagePath(path_) && std::regex_search(path_, match, Pattern());
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

}  // namespace

int RunRender(const Arguments& given) {
  if (PrintHelpIfAsked(given, kRenderHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  Options options = ParseOptions(arguments);

  // The effects, first stage taking the inputs.
  std::vector<Ptr<Proc::IEffect>> effects;
  std::vector<Proc::EffectKind> kinds;
  std::vector<std::string> inputs = options.inputs;
  for (const auto& stage : options.stages) {
    if (IsShaderPackagePath(stage.classId)) {
      const ShaderPackage package = LoadShaderPackage(stage.classId, stage.assignments);
      if (effects.empty()) inputs = PackageInputs(package, options.inputs);
      effects.push_back(host.Create(package.classId));
      effects.back()->SetSettings(package.settings);
      kinds.push_back(package.kind);
      continue;
    }
    std::string classId = stage.classId;
    Property settings = stage.settings;
    if (IsShaderTemplatePath(stage.classId)) {
      ShaderTemplate shader = LoadShaderTemplate(stage.classId);
      classId = shader.classId;
      settings = std::move(shader.settings);
    }
    kinds.push_back(host.Find(classId).kind);
    Ptr<Proc::IEffect> effect = host.Create(classId);
    try {
      effect->SetSettings(settings);
    } catch (const std::logic_error& error) {
      throw UsageError(fmt::format("{}: {}", stage.classId, error.what()));
    }
    for (const auto& assignment : stage.assignments) ApplySetting(*effect, assignment);
    LoadAuxImage(*effect);
    effects.push_back(effect);
  }
  const Proc::EffectKind kind = kinds.front();
  for (std::size_t i = 1; i < kinds.size(); ++i) {
    if (kinds[i] != Proc::EffectKind::OneInput) {
      throw UsageError(fmt::format("{} takes several inputs: only the first effect of a chain can",
                                   options.stages[i].classId));
    }
  }
  const std::size_t inputCount = options.inputs.size();
  if (kind == Proc::EffectKind::OneInput && inputCount != 1) {
    throw UsageError(
        fmt::format("{} takes one input, not {}", options.stages.front().classId, inputCount));
  }
  if (kind == Proc::EffectKind::TwoInput && inputCount != 2 &&
      !IsShaderPackagePath(options.stages.front().classId)) {
    throw UsageError(
        fmt::format("{} takes two inputs, not {}", options.stages.front().classId, inputCount));
  }
  if (kind == Proc::EffectKind::TwoInput && !options.duration) {
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
  int transitionFrames = 0;
  if (kind == Proc::EffectKind::TwoInput) {
    transitionFrames = static_cast<int>(std::lround(*options.duration * rate.Value()));
    if (transitionFrames > kMaxFrameNumber) throw UsageError("--duration is too long");
    end = std::min(end, transitionFrames);
  } else if (firstVideo == nullptr && end == kUntilTheEnd) {
    end = options.start + 1;
  }
  std::optional<std::int64_t> expected;
  if (end != kUntilTheEnd) {
    expected = end - options.start;
  } else if (firstVideo != nullptr && firstVideo->FrameCount()) {
    expected = std::max<std::int64_t>(*firstVideo->FrameCount() - options.start, 0);
  }
  Output output(options.output, options.encode, options.overwrite);
  output.Check(end - options.start == 1);
  if (options.encode.audioFrom != nullptr && !IsStillImagePath(options.output)) {
    options.encode.audioFrom->KeepAudio();
  }

  CatchInterrupts();
  ProgressLine progress(expected);
  std::optional<std::int64_t> firstTime;
  int rendered = 0;
  for (int index = 0; index < end; ++index) {
    if (const int signal = Interrupted()) throw Interruption(signal);
    std::vector<Ptr<Proc::IData>> frames;
    std::optional<std::int64_t> time;
    for (const auto& source : sources) {
      Ptr<Proc::DataVideoMemory> frame = source->Frame(index);
      if (!frame) {
        if (transitionFrames > 0) {
          throw MediaError(fmt::format(
              "{} ends after {} frames, before the transition's {} (--duration {}): give a "
              "shorter --duration",
              source->Name(), index, transitionFrames, *options.duration));
        }
        break;
      }
      if (!source->IsStill() && !time) time = frame->GetStartTime();
      frames.push_back(frame);
    }
    if (frames.size() != sources.size()) break;
    const std::int64_t start = time.value_or(index * frameDuration);
    if (!firstTime) {
      firstTime = start;
      if (kind == Proc::EffectKind::TwoInput) {
        effects.front()->SetProgress(Proc::TimeToProgress::Linear(
            start, static_cast<std::int64_t>(*options.duration * kMicrosecondsPerSecond)));
      }
    }
    if (index < options.start) continue;
    for (auto& frame : frames) {
      frame->SetStartTime(start);
      frame->SetDuration(frameDuration);
    }
    if (kind == Proc::EffectKind::TwoInput) {
      const auto& a = static_cast<Proc::IDataVideo&>(*frames[0]).GetFrameInfo();
      const auto& b = static_cast<Proc::IDataVideo&>(*frames[1]).GetFrameInfo();
      if (a.width != b.width || a.height != b.height) {
        throw MediaError(
            fmt::format("the inputs differ in size ({}x{} and {}x{}): a transition needs "
                        "inputs of one size",
                        a.width, a.height, b.width, b.height));
      }
    }
    // One-input effects take GPU data; the others upload through the host's uploader.
    if (kind == Proc::EffectKind::OneInput) frames[0] = host.Upload(frames[0]);
    Ptr<Proc::IData> result = effects.front()->ProcessData(frames);
    for (std::size_t i = 1; i < effects.size(); ++i) result = effects[i]->ProcessData({result});
    output.Write(
        *Ogl::DownloadFrame(Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(result.get()))),
        index, rate);
    ++rendered;
    progress.FrameDone();
  }
  if (const int signal = Interrupted()) throw Interruption(signal);
  if (rendered == 0) throw MediaError("no frame to render: the inputs end before --start");
  output.Finish();
  return 0;
}

}  // namespace Obrisk::Tools
