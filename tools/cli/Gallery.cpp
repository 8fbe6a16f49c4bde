// `quenvara gallery`: every registered effect on the built-in material, in an
// HTML contact sheet with its parameters and time per frame.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

#include <fmt/format.h>

#include "Commands.h"
#include "MediaIO.h"
#include "PluginHost.h"
#include "TestMaterial.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kGalleryHelp =
    R"(usage: quenvara gallery [--out DIR] [--size WxH] [--plugin PATH]

Renders every registered effect and transition on the built-in test material
with default settings, and with its first ranged parameter at both ends,
into DIR/index.html (default out/gallery, pictures 480x270): a thumbnail,
the class id, the parameters and the time per frame on this machine.
Transitions are shown half way, between the test card and the clip.
)";

constexpr int kTimedFrames = 3;
// An effect slower than this per frame is timed on one frame only.
constexpr double kSlowFrameMs = 1000.0;
constexpr double kHalfWay = 0.5;
constexpr int kClipFrame = 20;
constexpr double kClipFps = 25.0;

struct Variant {
  std::string name;
  Property settings;
};

struct Card {
  std::string classId;
  std::string kind;
  std::string variant;
  std::string parameters;
  std::string image;
  double milliseconds = 0.0;
  std::string error;
};

// Default settings, and the first ranged number parameter at its two ends.
std::vector<Variant> VariantsOf(const Proc::Settings& settings) {
  std::vector<Variant> variants{{"default", {}}};
  for (const auto& parameter : settings.GetParameters()) {
    const bool number = parameter.type != Proc::ParameterType::Bool &&
                        parameter.type != Proc::ParameterType::String;
    if (!number || !parameter.hasRange) continue;
    for (double end : {parameter.minimum, parameter.maximum}) {
      if (Property(end) == parameter.defaultValue) continue;
      Property preset;
      preset.SetChild(parameter.name, parameter.type == Proc::ParameterType::Int
                                          ? Property(static_cast<std::int64_t>(end))
                                          : Property(end));
      variants.push_back({fmt::format("{}={}", parameter.name, end), preset});
    }
    break;
  }
  return variants;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FileNameOf(const std::string& classId, const std::string& variant) {
  return std::regex_replace(classId + "-" + variant, std::regex("[^A-Za-z0-9_.-]"), "_") + ".png";
}

// Renders the effect once per timed frame, each to completion; returns the last frame.
Ptr<Ogl::DataVideoOGL> RenderTimed(PluginHost& host, Proc::IEffect& effect, Proc::EffectKind kind,
                                   int width, int height, double& milliseconds) {
  const auto card = MakeTestCard(width, height);
  const auto clip = MakeClipFrame(width, height, kClipFrame, kClipFps);
  if (kind == Proc::EffectKind::TwoInput) {
    effect.SetProgress(Proc::TimeToProgress([](std::int64_t) { return kHalfWay; }));
  }
  Ptr<Ogl::DataVideoOGL> result;
  double total = 0.0;
  int timed = 0;
  for (int i = 0; i <= kTimedFrames; ++i) {
    std::vector<Ptr<Proc::IData>> inputs;
    switch (kind) {
      case Proc::EffectKind::OneInput:
        inputs = {host.Upload(card)};
        break;
      case Proc::EffectKind::TwoInput:
        inputs = {host.Upload(card), host.Upload(clip)};
        break;
      case Proc::EffectKind::VarInput:
        inputs = {host.Upload(card), host.Upload(clip), host.Upload(card)};
        break;
    }
    for (auto& input : inputs)
      Ogl::FinishFrame(Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(input.get())));
    const auto begin = std::chrono::steady_clock::now();
    Ptr<Proc::IData> output = effect.ProcessData(inputs);
    result = Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(output.get()));
    Ogl::FinishFrame(result);
    const double frameMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    // The first frame builds programs and caches: it is not timed, unless the
    // effect is too slow to render more than twice.
    if (i > 0 || frameMs > kSlowFrameMs) {
      total += frameMs;
      ++timed;
    }
    if (frameMs > kSlowFrameMs) break;
  }
  milliseconds = total / timed;
  return result;
}

void WriteSheet(const std::filesystem::path& directory, const std::vector<Card>& cards,
                const std::string& renderer) {
  std::ofstream html(directory / "index.html");
  html
      << "<!doctype html>\n<meta charset=\"utf-8\">\n<title>Quenvara gallery</title>\n"
      << "<style>body{font-family:sans-serif;background:#222;color:#eee}"
      << ".grid{display:flex;flex-wrap:wrap;gap:12px}.card{background:#333;padding:8px;width:480px}"
      << ".card img{width:480px;background:repeating-conic-gradient(#777 0 25%,#999 0 50%) 0 "
         "0/16px 16px}"
      << "code{color:#9cf}.error{color:#f88}</style>\n"
      << "<h1>Quenvara gallery</h1>\n<p>" << cards.size() << " renders on " << Escape(renderer)
      << "; time per frame measured to the finished frame.</p>\n<div class=\"grid\">\n";
  for (const auto& card : cards) {
    html << "<div class=\"card\">";
    if (card.error.empty()) html << "<img src=\"" << Escape(card.image) << "\" alt=\"\">";
    html << "<div><code>" << Escape(card.classId) << "</code> (" << Escape(card.kind) << ", "
         << Escape(card.variant) << ")</div><div>" << Escape(card.parameters) << "</div>";
    if (card.error.empty()) {
      html << fmt::format("<div>{:.2f} ms per frame</div>", card.milliseconds);
    } else {
      html << "<div class=\"error\">" << Escape(card.error) << "</div>";
    }
    html << "</div>\n";
  }
  html << "</div>\n";
  if (!html) throw MediaError((directory / "index.html").string() + ": cannot write");
}

}  // namespace

int RunGallery(const Arguments& given) {
  if (PrintHelpIfAsked(given, kGalleryHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  std::filesystem::path directory = "out/gallery";
  int width = 480, height = 270;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--out" && i + 1 < arguments.size()) {
      directory = arguments[++i];
    } else if (arguments[i] == "--size" && i + 1 < arguments.size()) {
      const FrameSize size = ParseSize(arguments[++i], "--size");
      width = size.width;
      height = size.height;
    } else {
      throw UsageError(
          fmt::format("gallery: unknown option '{}' (see quenvara gallery --help)", arguments[i]));
    }
  }
  std::filesystem::create_directories(directory);
  std::vector<Card> cards;
  for (const auto* entry : host.Effects()) {
    for (const auto& variant : VariantsOf(host.Create(entry->classId)->GetSettingsObject())) {
      Card card{entry->classId, std::string(ToString(entry->kind)), variant.name, "", "", 0.0, ""};
      try {
        Ptr<Proc::IEffect> effect = host.Create(entry->classId);
        if (!variant.settings.Children().empty()) effect->SetSettings(variant.settings);
        card.parameters = effect->GetSettings().ToJson();
        auto frame = Ogl::DownloadFrame(
            RenderTimed(host, *effect, entry->kind, width, height, card.milliseconds));
        card.image = FileNameOf(entry->classId, variant.name);
        // Framing effects make pictures of their own size.
        const Proc::FrameInfo& made = frame->GetFrameInfo();
        MediaWriter writer((directory / card.image).string(), made.width, made.height, {25, 1},
                           frame->GetPixelFormat() == Proc::PixFmt::RGBA);
        writer.Write(*frame);
        writer.Close();
      } catch (const std::exception& error) {
        card.error = error.what();
      }
      std::cerr << fmt::format(
          "{:<40} {:<20} {}\n", card.classId, card.variant,
          card.error.empty() ? fmt::format("{:.2f} ms", card.milliseconds) : card.error);
      cards.push_back(std::move(card));
    }
  }
  WriteSheet(directory, cards, Ogl::OglManager::GetInstance().Renderer());
  std::cout << "Wrote " << (directory / "index.html").string() << " (" << cards.size()
            << " renders)\n";
  return 0;
}

}  // namespace Obrisk::Tools
