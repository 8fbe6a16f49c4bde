// `quenvara gallery`: every registered effect with each of its presets, on
// material chosen to show it, in one HTML page grouped by family.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>

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
    R"(usage: quenvara gallery [--out DIR] [--size WxH] [--frames N] [--only TEXT] [--plugin PATH]

Renders every registered effect and transition with each of its named
presets (quenvara describe CLASS lists them) on built-in material chosen to
show it, into DIR/index.html (default out/gallery, pictures 480x270). Each
card shows the input beside the output; where the picture moves with the
progress or the time (transitions, animated effects), a strip at 0, 25, 50,
75 and 100 % and an animated WebP preview of N frames (--frames, default 13).
Cards are grouped by family and give the parameters with their meaning, the
quenvara render command for the card, the frame size and the time per frame
on this machine. --only keeps the classes whose id contains TEXT (any case).
)";

constexpr double kFps = 25.0;
constexpr std::int64_t kFrameMicroseconds = 40000;  // one frame at kFps
constexpr int kDefaultFrames = 13;
constexpr int kMaxFrames = 250;
// The preview plays at half speed, so that a short one can be followed.
constexpr Rational kPreviewRate{25, 2};
// The clip material starts here, where its shapes are under way.
constexpr int kClipStart = 10;
// The strip shows the progress in quarters: 0, 25, 50, 75 and 100 %.
constexpr int kStripSteps = 4;
// Parameter values longer than this (shader texts, lists) are cut short.
constexpr std::size_t kShownValueLength = 80;

enum class Material { TestCard, NoisyCard, Lights, Clip, VerticalClip };

std::string_view BuiltInName(Material material) {
  switch (material) {
    case Material::TestCard:
      return "builtin:testcard";
    case Material::NoisyCard:
      return "builtin:noisycard";
    case Material::Lights:
      return "builtin:lights";
    case Material::Clip:
      return "builtin:clip";
    case Material::VerticalClip:
      return "builtin:verticalclip";
  }
  return {};
}

bool Moves(Material material) {
  return material == Material::Clip || material == Material::VerticalClip;
}

// Material that shows what an effect is for, where the test card does not:
// motion for the temporal effects, grain for the denoiser, highlights for
// the lens blur, an upright clip for the background fill.
Material MaterialFor(const std::string& classId) {
  static const std::map<std::string, Material> special{
      {"SettingsEffectMotionBlur", Material::Clip},
      {"SettingsEffectFilmStrip", Material::Clip},
      {"SettingsEffectDenoiseNLM", Material::NoisyCard},
      {"SettingsEffectBokehBlur", Material::Lights},
      {"SettingsEffectFillBlurredBackground", Material::VerticalClip}};
  const auto found = special.find(classId);
  return found == special.end() ? Material::TestCard : found->second;
}

std::vector<Material> InputsFor(const Proc::EffectRegistry::Entry& entry) {
  switch (entry.kind) {
    case Proc::EffectKind::OneInput:
      return {MaterialFor(entry.classId)};
    case Proc::EffectKind::TwoInput:
      return {Material::TestCard, Material::Clip};
    case Proc::EffectKind::VarInput:
      return {Material::TestCard, Material::Clip, Material::NoisyCard};
  }
  return {};
}

using Frames = std::vector<Ptr<Proc::DataVideoMemory>>;

// The material's frames, made once, time stamped one frame apart from 0.
class MaterialStore {
 public:
  MaterialStore(int width, int height, int count) : width_(width), height_(height), count_(count) {}

  const Frames& Get(Material material) {
    Frames& frames = frames_[material];
    if (!frames.empty()) return frames;
    for (int i = 0; i < count_; ++i) {
      auto frame = Make(material, i);
      frame->SetStartTime(i * kFrameMicroseconds);
      frame->SetDuration(kFrameMicroseconds);
      frames.push_back(frame);
    }
    return frames;
  }

 private:
  Ptr<Proc::DataVideoMemory> Make(Material material, int index) const {
    switch (material) {
      case Material::TestCard:
        return MakeTestCard(width_, height_);
      case Material::NoisyCard:
        return MakeNoisyCard(width_, height_);
      case Material::Lights:
        return MakeLightsCard(width_, height_);
      case Material::Clip:
        return MakeClipFrame(width_, height_, kClipStart + index, kFps);
      case Material::VerticalClip:
        return MakeVerticalClipFrame(width_, height_, kClipStart + index, kFps);
    }
    return nullptr;
  }

  int width_, height_, count_;
  std::map<Material, Frames> frames_;
};

struct ParameterRow {
  std::string name;
  std::string value;
  bool changed;  // set by the preset
  std::string description;
};

struct Card {
  std::string classId;
  std::string kind;
  std::string description;
  std::string preset;
  std::string summary;
  bool identity = false;
  std::vector<Material> inputs;
  std::vector<ParameterRow> parameters;
  std::string command;
  std::string image;  // the picture, or the animated preview
  std::string strip;  // empty where the picture does not move
  int width = 0;
  int height = 0;
  double milliseconds = 0.0;
  bool unchanged = false;  // every frame byte for byte the first input's
  std::string error;
};

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

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string FileStem(const std::string& classId, const std::string& preset) {
  return std::regex_replace(classId + "-" + preset, std::regex("[^A-Za-z0-9_.-]"), "_");
}

bool SamePixels(const Proc::DataVideoMemory& a, const Proc::DataVideoMemory& b) {
  const auto& x = a.GetFrameInfo();
  const auto& y = b.GetFrameInfo();
  return x.width == y.width && x.height == y.height &&
         std::memcmp(a.Pixels(), b.Pixels(), a.Stride() * static_cast<std::size_t>(x.height)) == 0;
}

bool HasAlpha(const Proc::DataVideoMemory& frame) {
  return frame.GetPixelFormat() == Proc::PixFmt::RGBA;
}

void WritePicture(const std::filesystem::path& path, const Proc::DataVideoMemory& frame) {
  const auto& info = frame.GetFrameInfo();
  MediaWriter writer(path.string(), info.width, info.height, {25, 1}, HasAlpha(frame));
  writer.Write(frame);
  writer.Close();
}

// An animated WebP of the frames, looping, at the preview's rate (the
// frames are stamped with its times).
void WritePreview(const std::filesystem::path& path, const Frames& frames) {
  const auto& info = frames.front()->GetFrameInfo();
  EncodeOptions options;
  options.codec = "libwebp_anim";
  const bool alpha =
      std::any_of(frames.begin(), frames.end(), [](const auto& frame) { return HasAlpha(*frame); });
  MediaWriter writer(path.string(), info.width, info.height, kPreviewRate, alpha, options);
  const auto step = static_cast<std::int64_t>(1e6 * kPreviewRate.den / kPreviewRate.num);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    frames[i]->SetStartTime(static_cast<std::int64_t>(i) * step);
    frames[i]->SetDuration(step);
    writer.Write(*frames[i]);
  }
  writer.Close();
}

// The frames at 0, 25, 50, 75 and 100 % side by side.
Ptr<Proc::DataVideoMemory> MakeStrip(const Frames& frames) {
  const auto& info = frames.front()->GetFrameInfo();
  auto strip = MakeRef<Proc::DataVideoMemory>(
      Proc::ColorSpace{}, frames.front()->GetPixelFormat(),
      Proc::FrameInfo{info.width * (kStripSteps + 1), info.height, 1, 1});
  for (int step = 0; step <= kStripSteps; ++step) {
    const auto& frame = *frames[static_cast<std::size_t>(step) * (frames.size() - 1) / kStripSteps];
    for (int y = 0; y < info.height; ++y) {
      std::copy(frame.Row(y), frame.Row(y) + frame.Stride(),
                strip->Row(y) + static_cast<std::size_t>(step) * frame.Stride());
    }
  }
  return strip;
}

// Runs the effect over the material's frames with the progress running from
// 0 at the first to 1 at the last, each frame rendered to completion. The
// time per frame leaves out the first frame, which builds programs and caches.
Frames RenderFrames(PluginHost& host, Proc::IEffect& effect,
                    const std::vector<const Frames*>& inputs, double& milliseconds) {
  const std::size_t count = inputs.front()->size();
  effect.SetProgress(Proc::TimeToProgress::Linear(
      0, std::max<std::int64_t>(1, static_cast<std::int64_t>(count - 1) * kFrameMicroseconds)));
  Frames outputs;
  double total = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<Ptr<Proc::IData>> uploaded;
    for (const Frames* frames : inputs) {
      auto data = host.Upload((*frames)[i]);
      Ogl::FinishFrame(data);
      uploaded.push_back(data);
    }
    const auto begin = std::chrono::steady_clock::now();
    Ptr<Proc::IData> output = effect.ProcessData(uploaded);
    Ptr<Ogl::DataVideoOGL> result(static_cast<Ogl::DataVideoOGL*>(output.get()));
    Ogl::FinishFrame(result);
    if (i > 0 || count == 1) {
      total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                   .count();
    }
    outputs.push_back(Ogl::DownloadFrame(result));
  }
  milliseconds = total / static_cast<double>(std::max<std::size_t>(1, count - 1));
  return outputs;
}

std::string CommandFor(const Card& card, bool transition, int width, int height) {
  std::string inputs;
  for (Material material : card.inputs) inputs += fmt::format("-i {} ", BuiltInName(material));
  const bool moving = std::any_of(card.inputs.begin(), card.inputs.end(), Moves);
  const bool video = transition || moving;
  return fmt::format("quenvara render {}--size {}x{}{} -o {} --effect {} --preset {}", inputs,
                     width, height, transition ? " --duration 1" : "",
                     video ? "out.mp4" : "out.png", card.classId, card.preset);
}

std::vector<ParameterRow> ParameterRows(const Proc::Settings& settings, const Property& preset) {
  const Property values = settings.Serialize();
  std::vector<ParameterRow> rows;
  for (const auto& parameter : settings.GetParameters()) {
    const Property* value = values.FindChild(parameter.name);
    std::string text = value != nullptr ? value->ToJson() : parameter.defaultValue.ToJson();
    if (text.size() > kShownValueLength) text = text.substr(0, kShownValueLength) + "...";
    rows.push_back(
        {parameter.name, text, preset.FindChild(parameter.name) != nullptr, parameter.description});
  }
  return rows;
}

// Renders one card and writes its pictures; any failure becomes its error.
void RenderCard(PluginHost& host, MaterialStore& store, const std::filesystem::path& directory,
                const Proc::EffectRegistry::Entry& entry, Card& card) {
  try {
    Ptr<Proc::IEffect> effect = host.Create(entry.classId);
    ApplyPreset(*effect, card.preset);
    const auto presets = effect->GetSettingsObject().GetPresets();
    const auto preset = std::find_if(presets.begin(), presets.end(),
                                     [&](const auto& p) { return p.name == card.preset; });
    card.parameters = ParameterRows(effect->GetSettingsObject(),
                                    Property::FromJson(std::string(preset->settings)));
    std::vector<const Frames*> inputs;
    for (Material material : card.inputs) inputs.push_back(&store.Get(material));
    const Frames frames = RenderFrames(host, *effect, inputs, card.milliseconds);
    const auto& info = frames.front()->GetFrameInfo();
    card.width = info.width;
    card.height = info.height;
    const Frames& first = *inputs.front();
    card.unchanged = true;
    bool moves = false;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      card.unchanged = card.unchanged && SamePixels(*frames[i], *first[i]);
      moves = moves || !SamePixels(*frames[i], *frames.front());
    }
    const std::string stem = FileStem(card.classId, card.preset);
    if (moves) {
      card.image = stem + ".webp";
      card.strip = stem + "-strip.png";
      WritePreview(directory / card.image, frames);
      WritePicture(directory / card.strip, *MakeStrip(frames));
    } else {
      card.image = stem + ".png";
      WritePicture(directory / card.image, *frames.front());
    }
  } catch (const std::exception& error) {
    card.error = error.what();
  }
}

// The material pictures the cards show as their inputs: the first frame,
// and an animated preview of a moving one.
std::string MaterialImage(Material material) {
  return fmt::format("input-{}.{}", BuiltInName(material).substr(std::strlen("builtin:")),
                     Moves(material) ? "webp" : "png");
}

// Runs after the cards: the previews restamp the frames.
void WriteMaterials(const std::filesystem::path& directory, MaterialStore& store,
                    const std::set<Material>& used) {
  for (Material material : used) {
    const Frames& frames = store.Get(material);
    if (Moves(material)) {
      WritePreview(directory / MaterialImage(material), frames);
    } else {
      WritePicture(directory / MaterialImage(material), *frames.front());
    }
  }
}

constexpr const char* kStyle = R"(
body{font-family:sans-serif;background:#1e1e1e;color:#eee;margin:0 16px}
a{color:#9cf}nav{columns:3;font-size:14px}[hidden]{display:none!important}
#filter{font-size:16px;padding:4px 8px;width:360px;margin:8px 0}
.grid{display:flex;flex-wrap:wrap;gap:12px}
.card{background:#2b2b2b;padding:8px;width:500px;border-radius:4px}
.card h3{margin:0 0 4px;font-size:15px}.card h3 span{color:#aaa;font-weight:normal}
.pics{display:flex;gap:6px;align-items:flex-start}.pics figure{margin:0}
.pics .inputs{width:150px;display:flex;flex-direction:column;gap:4px}
.pics .output{flex:1}figcaption{font-size:11px;color:#aaa}
img{width:100%;display:block;background:repeating-conic-gradient(#777 0 25%,#999 0 50%) 0 0/16px 16px}
.meta{font-size:12px;color:#ccc;margin:4px 0}.error{color:#f88;white-space:pre-wrap}
table{font-size:12px;border-collapse:collapse;width:100%}td{padding:1px 4px;vertical-align:top}
td.v{font-family:monospace;word-break:break-all}tr.set td{color:#fd8}
.cmd{display:flex;gap:4px;margin-top:4px}.cmd code{flex:1;font-size:11px;background:#111;
padding:3px;word-break:break-all;color:#9cf}
#view{position:fixed;inset:0;background:rgba(0,0,0,.85);display:flex;align-items:center;
justify-content:center;cursor:zoom-out}#view img{width:auto;max-width:95vw;max-height:95vh}
)";

constexpr const char* kScript = R"(
const filter = document.getElementById('filter');
filter.addEventListener('input', () => {
  const words = filter.value.toLowerCase().split(/\s+/).filter(Boolean);
  for (const section of document.querySelectorAll('section.family')) {
    let shown = 0;
    for (const card of section.querySelectorAll('.card')) {
      const show = words.every(word => card.dataset.search.includes(word));
      card.hidden = !show;
      if (show) shown++;
    }
    section.hidden = shown === 0;
  }
});
const view = document.getElementById('view');
document.addEventListener('click', event => {
  const link = event.target.closest('a.full');
  if (link) {
    event.preventDefault();
    view.querySelector('img').src = link.href;
    view.hidden = false;
    return;
  }
  if (event.target.closest('#view')) view.hidden = true;
  const button = event.target.closest('button.copy');
  if (button && navigator.clipboard) {
    navigator.clipboard.writeText(button.previousElementSibling.textContent)
        .then(() => { button.textContent = 'copied'; }, () => {});
  }
});
)";

void WriteFigure(std::ostream& html, const std::string& image, const std::string& caption) {
  html << "<figure><a class=\"full\" href=\"" << Escape(image) << "\"><img src=\"" << Escape(image)
       << "\" alt=\"" << Escape(caption) << "\"></a><figcaption>" << Escape(caption)
       << "</figcaption></figure>";
}

void WriteCard(std::ostream& html, const Card& card) {
  const std::string search =
      Lower(fmt::format("{} {} {} {} {}", card.classId, ShortName(card.classId), card.preset,
                        card.kind, card.description));
  html << "<article class=\"card\" id=\"" << Escape(FileStem(card.classId, card.preset))
       << "\" data-search=\"" << Escape(search) << "\" data-unchanged=\""
       << (card.unchanged ? 1 : 0) << "\" data-identity=\"" << (card.identity ? 1 : 0) << "\">"
       << "<h3>" << Escape(card.classId) << " <span>" << Escape(card.preset) << "</span></h3>"
       << "<div class=\"meta\">" << Escape(card.summary) << " (" << Escape(card.kind) << ")</div>";
  if (card.error.empty()) {
    html << "<div class=\"pics\"><div class=\"inputs\">";
    for (Material material : card.inputs) {
      WriteFigure(html, MaterialImage(material), std::string(BuiltInName(material)));
    }
    html << "</div><div class=\"output\">";
    WriteFigure(html, card.image, card.strip.empty() ? "output" : "output, animated");
    html << "</div></div>";
    if (!card.strip.empty()) WriteFigure(html, card.strip, "0, 25, 50, 75 and 100 %");
    html << fmt::format("<div class=\"meta\">{}x{}, {:.2f} ms per frame</div>", card.width,
                        card.height, card.milliseconds);
  } else {
    html << "<div class=\"error\">" << Escape(card.error) << "</div>";
  }
  html << "<div class=\"meta\">" << Escape(card.description) << "</div>";
  html << "<details><summary>parameters</summary><table>";
  for (const auto& row : card.parameters) {
    html << "<tr" << (row.changed ? " class=\"set\"" : "") << "><td>" << Escape(row.name)
         << "</td><td class=\"v\">" << Escape(row.value) << "</td><td>" << Escape(row.description)
         << "</td></tr>";
  }
  html << "</table></details><div class=\"cmd\"><code>" << Escape(card.command)
       << "</code><button class=\"copy\" type=\"button\">copy</button></div></article>\n";
}

struct Section {
  std::string family;
  std::vector<Card> cards;
};

void WriteSheet(const std::filesystem::path& directory, const std::vector<Section>& sections,
                const std::string& renderer) {
  std::ofstream html(directory / "index.html");
  std::size_t total = 0;
  for (const auto& section : sections) total += section.cards.size();
  html << "<!doctype html>\n<html lang=\"en\"><meta charset=\"utf-8\">\n"
       << "<link rel=\"icon\" href=\"data:,\">\n<title>Quenvara gallery</title>\n<style>" << kStyle
       << "</style>\n<h1>Quenvara gallery</h1>\n<p>" << total << " renders on " << Escape(renderer)
       << "; time per frame measured to the finished frame. Click a picture for its full "
          "size.</p>\n<nav>";
  for (std::size_t i = 0; i < sections.size(); ++i) {
    html << fmt::format("<div><a href=\"#family-{}\">{}</a> ({})</div>", i,
                        Escape(sections[i].family), sections[i].cards.size());
  }
  html << "</nav>\n<input id=\"filter\" type=\"search\" placeholder=\"filter: name, preset, "
          "kind, words of the description\">\n";
  for (std::size_t i = 0; i < sections.size(); ++i) {
    html << fmt::format(
        "<section class=\"family\" id=\"family-{}\"><h2>{}</h2><div "
        "class=\"grid\">\n",
        i, Escape(sections[i].family));
    for (const auto& card : sections[i].cards) WriteCard(html, card);
    html << "</div></section>\n";
  }
  html << "<div id=\"view\" hidden><img alt=\"full size\"></div>\n<script>" << kScript
       << "</script>\n</html>\n";
  if (!html) throw MediaError((directory / "index.html").string() + ": cannot write");
}

struct GalleryOptions {
  std::filesystem::path directory = "out/gallery";
  int width = 480;
  int height = 270;
  int frames = kDefaultFrames;
  std::string only;
};

GalleryOptions ParseGalleryOptions(const Arguments& arguments) {
  GalleryOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const bool valued = i + 1 < arguments.size();
    if (arguments[i] == "--out" && valued) {
      options.directory = arguments[++i];
    } else if (arguments[i] == "--size" && valued) {
      const FrameSize size = ParseSize(arguments[++i], "--size");
      options.width = size.width;
      options.height = size.height;
    } else if (arguments[i] == "--frames" && valued) {
      const std::string& text = arguments[++i];
      if (!std::regex_match(text, std::regex("[0-9]{1,3}")) || std::stoi(text) < 2 ||
          std::stoi(text) > kMaxFrames) {
        throw UsageError(fmt::format("--frames takes 2 to {}, not '{}'", kMaxFrames, text));
      }
      options.frames = std::stoi(text);
    } else if (arguments[i] == "--only" && valued) {
      options.only = Lower(arguments[++i]);
    } else {
      throw UsageError(
          fmt::format("gallery: unknown option '{}' (see quenvara gallery --help)", arguments[i]));
    }
  }
  return options;
}

}  // namespace

int RunGallery(const Arguments& given) {
  if (PrintHelpIfAsked(given, kGalleryHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  const GalleryOptions options = ParseGalleryOptions(arguments);
  std::filesystem::create_directories(options.directory);
  MaterialStore store(options.width, options.height, options.frames);
  std::set<Material> used;
  std::vector<Section> sections;
  for (const auto& family : host.EffectsByFamily()) {
    Section section{family.name, {}};
    for (const auto* entry : family.effects) {
      if (Lower(entry->classId).find(options.only) == std::string::npos) continue;
      const Ptr<Proc::IEffect> described = host.Create(entry->classId);
      const Proc::Settings& settings = described->GetSettingsObject();
      for (const auto& preset : settings.GetPresets()) {
        Card card;
        card.classId = entry->classId;
        card.kind = std::string(ToString(entry->kind));
        card.description = std::string(settings.GetDescription());
        card.preset = std::string(preset.name);
        card.summary = std::string(preset.summary);
        card.identity = preset.identity;
        card.inputs = InputsFor(*entry);
        card.command = CommandFor(card, IsTransition(*entry), options.width, options.height);
        used.insert(card.inputs.begin(), card.inputs.end());
        RenderCard(host, store, options.directory, *entry, card);
        std::cerr << fmt::format(
            "{:<40} {:<16} {}\n", card.classId, card.preset,
            card.error.empty() ? fmt::format("{:.2f} ms", card.milliseconds) : card.error);
        section.cards.push_back(std::move(card));
      }
    }
    if (!section.cards.empty()) sections.push_back(std::move(section));
  }
  WriteMaterials(options.directory, store, used);
  WriteSheet(options.directory, sections, Ogl::OglManager::GetInstance().Renderer());
  std::size_t total = 0;
  for (const auto& section : sections) total += section.cards.size();
  std::cout << "Wrote " << (options.directory / "index.html").string() << " (" << total
            << " renders)\n";
  return 0;
}

}  // namespace Obrisk::Tools
