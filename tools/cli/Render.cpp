// `quenvara render`: inputs through one effect or a chain into an image, an
// image sequence or a video.
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>

#include <fmt/format.h>

#include "Commands.h"
#include "MediaIO.h"
#include "PluginHost.h"
#include "ShaderPackage.h"
#include "Terminal.h"
#include "TestMaterial.h"
#include "obrisk/ogl/FrameTransfer.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kRenderHelp = R"(usage: quenvara render -i INPUT [-i INPUT ...] -o OUTPUT
                       (--effect CLASS [--set NAME=VALUE ...] ... | --chain FILE.json)
                       [--duration SECONDS] [--start N] [--frames N] [--fps F] [--size WxH]

Inputs are pictures (PNG, JPEG, TIFF, ...), videos, or the built-in material
builtin:testcard and builtin:clip (2 seconds of moving shapes) at --size
(default 1280x720). The first effect takes the inputs: one for an effect,
two for a transition (which lasts --duration seconds), any number for a
variable-input effect; each further effect takes the result.

OUTPUT is a picture, a numbered picture sequence (out_%04d.png) or a video
(.mp4, .mkv, .mov, .webm, .avi); the extension picks the format. Time stamps
and the frame rate of the first video input are kept (else --fps, 25).
--start and --frames render part of the frames, numbered as in the whole.

A chain file lists the effects: [{"class": "SettingsEffectInvert",
"settings": {"intensity": 0.5}}, ...].

An ISF package file (--effect shader.fs, with shader.vs beside it if there is
one) runs as the ISF effect, transition or multi-input effect its inputs call
for; --set NAME=VALUE sets its inputs (colours and points as 1,0,0,1).
)";

constexpr double kMicrosecondsPerSecond = 1000000.0;
constexpr int kClipSeconds = 2;

struct Stage {
  std::string classId;
  Property settings;
  std::vector<std::string> assignments;
};

struct Options {
  std::vector<std::string> inputs;
  std::string output;
  std::vector<Stage> stages;
  std::optional<double> duration;
  int start = 0;
  std::optional<int> frames;
  std::optional<double> fps;
  int width = 1280;
  int height = 720;
};

int ParseCount(const std::string& text, const char* option) {
  try {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used == text.size() && value >= 0) return value;
  } catch (const std::exception&) {
  }
  throw UsageError(fmt::format("{} takes a whole number of frames, not '{}'", option, text));
}

double ParsePositive(const std::string& text, const char* option) {
  try {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used == text.size() && value > 0.0) return value;
  } catch (const std::exception&) {
  }
  throw UsageError(fmt::format("{} takes a positive number, not '{}'", option, text));
}

std::vector<Stage> ReadChain(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw MediaError(fmt::format("{}: cannot read the chain file", path));
  std::stringstream text;
  text << file.rdbuf();
  const Property chain = Property::FromJson(text.str());
  const Property& list = chain.FindChild("effects") ? chain.GetChild("effects") : chain;
  std::vector<Stage> stages;
  for (const auto& [key, item] : list.Children()) {
    const Property* id = item.FindChild("class");
    if (id == nullptr || !std::holds_alternative<std::string>(id->GetValue())) {
      throw UsageError(fmt::format("{}: each effect needs a \"class\"", path));
    }
    Stage stage{std::get<std::string>(id->GetValue()), {}, {}};
    if (const Property* settings = item.FindChild("settings")) stage.settings = *settings;
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
    } else if (option == "--set") {
      if (options.stages.empty()) throw UsageError("--set comes after the --effect it sets");
      options.stages.back().assignments.push_back(value());
    } else if (option == "--chain") {
      for (auto& stage : ReadChain(value())) options.stages.push_back(std::move(stage));
    } else if (option == "--duration") {
      options.duration = ParsePositive(value(), "--duration");
    } else if (option == "--start") {
      options.start = ParseCount(value(), "--start");
    } else if (option == "--frames") {
      options.frames = ParseCount(value(), "--frames");
    } else if (option == "--fps") {
      options.fps = ParsePositive(value(), "--fps");
    } else if (option == "--size") {
      const FrameSize size = ParseSize(value(), "--size");
      options.width = size.width;
      options.height = size.height;
    } else {
      throw UsageError(
          fmt::format("render: unknown option '{}' (see quenvara render --help)", option));
    }
  }
  if (options.inputs.empty()) throw UsageError("render needs at least one input (-i)");
  if (options.output.empty()) throw UsageError("render needs an output (-o)");
  if (options.stages.empty()) throw UsageError("render needs an --effect or a --chain");
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
  explicit VideoSource(const std::string& path) : reader_(path), name_(path) {}
  Ptr<Proc::DataVideoMemory> Frame(int) override { return reader_.Next(); }
  bool IsStill() const override { return false; }
  std::optional<Rational> FrameRate() const override { return reader_.FrameRate(); }
  std::string Name() const override { return name_; }

 private:
  MediaReader reader_;
  std::string name_;
};

class ClipSource final : public Source {
 public:
  ClipSource(int width, int height, double fps) : width_(width), height_(height), fps_(fps) {}
  Ptr<Proc::DataVideoMemory> Frame(int index) override {
    if (index >= static_cast<int>(std::lround(kClipSeconds * fps_))) return nullptr;
    return MakeClipFrame(width_, height_, index, fps_);
  }
  bool IsStill() const override { return false; }
  std::string Name() const override { return "builtin:clip"; }

 private:
  int width_, height_;
  double fps_;
};

std::unique_ptr<Source> OpenSource(const std::string& input, const Options& options, double fps) {
  if (input == "builtin:testcard") {
    return std::make_unique<StillSource>(MakeTestCard(options.width, options.height), input);
  }
  if (input == "builtin:clip")
    return std::make_unique<ClipSource>(options.width, options.height, fps);
  if (input.starts_with("builtin:")) {
    throw UsageError(
        fmt::format("unknown built-in input '{}' (builtin:testcard, builtin:clip)", input));
  }
  if (IsStillImagePath(input)) {
    MediaReader reader(input);
    auto picture = reader.Next();
    if (!picture) throw MediaError(fmt::format("{}: holds no picture", input));
    return std::make_unique<StillSource>(picture, input);
  }
  return std::make_unique<VideoSource>(input);
}

// Writes frames to a picture, a numbered sequence or a video.
class Output {
 public:
  Output(std::string path, bool single) : path_(std::move(path)), single_(single) {}
  ~Output() {
    if (!done_) {
      for (const auto& file : written_) std::filesystem::remove(file);
    }
  }

  void Write(const Proc::DataVideoMemory& frame, int number, Rational rate) {
    const bool alpha = frame.GetPixelFormat() == Proc::PixFmt::RGBA;
    if (IsSequence()) {
      const std::string file = SequenceFile(number);
      MediaWriter writer(file, frame.GetFrameInfo().width, frame.GetFrameInfo().height, rate,
                         alpha);
      writer.Write(frame);
      writer.Close();
      written_.push_back(file);
      return;
    }
    if (!writer_) {
      writer_ = std::make_unique<MediaWriter>(path_, frame.GetFrameInfo().width,
                                              frame.GetFrameInfo().height, rate, alpha);
    }
    writer_->Write(frame);
  }

  void Finish() {
    if (writer_) writer_->Close();
    done_ = true;
  }

  bool IsSequence() const { return IsStillImagePath(path_) && !single_; }

  // Frame `number` in the pattern's %d or %0Nd.
  std::string SequenceFile(int number) const {
    static const std::regex kPattern("%(0?[1-9]?)d");
    std::smatch match;
    if (!std::regex_search(path_, match, kPattern)) {
      throw UsageError(
          fmt::format("writing several frames to {} needs a video file or a numbered pattern such "
                      "as out_%04d.png",
                      path_));
    }
    const int width = match[1].length() > 0 ? std::stoi(match[1].str()) : 0;
    return match.prefix().str() + fmt::format("{:0{}d}", number, width) + match.suffix().str();
  }

 private:
  std::string path_;
  bool single_;
  std::unique_ptr<MediaWriter> writer_;
  std::vector<std::string> written_;
  bool done_ = false;
};

class ProgressLine {
 public:
  explicit ProgressLine(int total) : total_(total), shown_(StderrIsTerminal()) {}
  ~ProgressLine() {
    if (shown_ && done_ > 0) std::cerr << "\n";
  }
  void FrameDone() {
    ++done_;
    if (!shown_) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    const double fps = done_ / std::max(seconds, 1e-9);
    std::cerr << fmt::format("\r{} / {} frames  {:.1f} fps  {:.1f} s left   ", done_, total_, fps,
                             (total_ - done_) / fps)
              << std::flush;
  }

 private:
  int total_;
  bool shown_;
  int done_ = 0;
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

}  // namespace

int RunRender(const Arguments& given) {
  if (PrintHelpIfAsked(given, kRenderHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  const Options options = ParseOptions(arguments);

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
    kinds.push_back(host.Find(stage.classId).kind);
    Ptr<Proc::IEffect> effect = host.Create(stage.classId);
    try {
      if (!stage.settings.Children().empty()) effect->SetSettings(stage.settings);
    } catch (const std::logic_error& error) {
      throw UsageError(fmt::format("{}: {}", stage.classId, error.what()));
    }
    for (const auto& assignment : stage.assignments) ApplySetting(*effect, assignment);
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

  // The sources; the frame rate of the first video, else --fps.
  const double requestedFps = options.fps.value_or(25.0);
  std::vector<std::unique_ptr<Source>> sources;
  for (const auto& input : inputs) sources.push_back(OpenSource(input, options, requestedFps));
  Rational rate{static_cast<int>(std::lround(requestedFps * 1000)), 1000};
  bool allStill = true;
  for (const auto& source : sources) {
    if (source->IsStill()) continue;
    if (allStill && source->FrameRate() && !options.fps) rate = *source->FrameRate();
    allStill = false;
  }
  const auto frameDuration =
      static_cast<std::int64_t>(std::llround(kMicrosecondsPerSecond / rate.Value()));

  std::optional<int> total =
      options.frames ? std::optional<int>(options.start + *options.frames) : std::nullopt;
  if (kind == Proc::EffectKind::TwoInput) {
    const int transitionFrames = static_cast<int>(std::lround(*options.duration * rate.Value()));
    total = total ? std::min(*total, transitionFrames) : transitionFrames;
  } else if (allStill && !total) {
    total = options.start + 1;
  }
  Output output(options.output, total && *total - options.start == 1);
  if (output.IsSequence()) output.SequenceFile(0);  // checks the pattern before any work

  ProgressLine progress(total ? *total - options.start : 0);
  std::optional<std::int64_t> firstTime;
  int rendered = 0;
  for (int index = 0; !total || index < *total; ++index) {
    std::vector<Ptr<Proc::IData>> frames;
    std::optional<std::int64_t> time;
    for (const auto& source : sources) {
      Ptr<Proc::DataVideoMemory> frame = source->Frame(index);
      if (!frame) break;
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
  if (rendered == 0) throw MediaError("no frame to render: the inputs end before --start");
  output.Finish();
  return 0;
}

}  // namespace Obrisk::Tools
