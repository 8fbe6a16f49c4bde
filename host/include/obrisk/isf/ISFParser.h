// The generic half of an ISF header parser: reads the JSON header into a map
// of elements (inputs, render passes, built-ins). An implementation supplies
// the element type and its factories and rewrites the shaders for its own
// shading language.
//
// Vectors (point2D and color inputs, RENDERSIZE, DATE) are glm::vec2 and
// glm::vec4. Element must be an aggregate {std::string name; std::any value;};
// PassElement {std::int32_t index; std::string width; std::string height;
// bool persistent; bool floatTarget;}. A pass is persistent (its target keeps
// its contents from frame to frame) only where PERSISTENT says so. An element name repeated in the
// header keeps its first element; the later ones are left out. Names must be identifiers (Exception
// "Invalid element name: " + the name in quotes); a pass may have none, and every pass without one
// is kept (under a key that no name can be).
//
// Pictures listed under IMPORTED are image elements numbered after the image
// inputs, in header order. Audio and audioFFT inputs are sampled images of
// sound that the implementation makes (MakeAudioElement). Every image, sound
// and named pass also gets the companions _name_imgSize, _name_imgRect and
// _name_flip (placeholders that the effect sets every frame).
#pragma once

#include <any>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>
#include <nlohmann/json.hpp>

#include "obrisk/host/Exception.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Proc::ISF {

// A picture that the package names under IMPORTED: its image name and its
// file, relative to the package.
struct ImportedImage {
  std::string name;
  std::string path;
};

// The IMPORTED pictures of a header, in header order, in either of the forms
// packages use: an object of {"PATH": file} entries keyed by name, or an
// array of {"NAME": name, "PATH": file} objects. Entries without a PATH
// string raise Exception "IMPORTED image without PATH: " + the name.
template <class Json>
std::vector<ImportedImage> ImportedImages(const Json& root) {
  std::vector<ImportedImage> images;
  const auto found = root.find(std::string(IMPORTED_KEY));
  if (found == root.end()) return images;
  const auto add = [&images](std::string name, const Json& entry) {
    const auto path = entry.is_object() ? entry.find(std::string(PATH_KEY)) : entry.end();
    if (path == entry.end() || !path->is_string()) {
      OBRISK_THROW(Exception, "IMPORTED image without PATH: " + name);
    }
    images.push_back({std::move(name), path->template get<std::string>()});
  };
  if (found->is_object()) {
    for (const auto& [name, entry] : found->items()) {
      const auto named = entry.is_object() ? entry.find(std::string(NAME_KEY)) : entry.end();
      add(named != entry.end() && named->is_string() ? named->template get<std::string>() : name,
          entry);
    }
  } else if (found->is_array()) {
    for (const auto& entry : *found) {
      const auto named = entry.is_object() ? entry.find(std::string(NAME_KEY)) : entry.end();
      add(named != entry.end() && named->is_string() ? named->template get<std::string>() : "",
          entry);
    }
  }
  return images;
}

template <class Element, class PassElement, class ImageElement>
class ISFParser {
 public:
  using Json = nlohmann::json;
  using ElementMap = std::unordered_map<std::string, Element>;

  ISFParser(std::string header, std::string vertex, std::string fragment)
      : header_(std::move(header)), inVertex_(std::move(vertex)), inFragment_(std::move(fragment)) {
    elements_.max_load_factor(1.0f);
  }
  virtual ~ISFParser() = default;
  ISFParser(const ISFParser&) = delete;
  ISFParser& operator=(const ISFParser&) = delete;

  // Parses the header: its inputs and passes become elements and the shaders
  // are rewritten. Raises the JSON library's errors for malformed text,
  // Exception "INPUT section not found!" for a header without inputs, and
  // Exception for texts, nesting or passes past the package bounds.
  void AddParamsFromISF() {
    passCounter_ = 0;
    imageCounter_ = 0;
    CheckPackageText("the ISF header", header_, MAX_HEADER_BYTES);
    CheckPackageText("the fragment shader", inFragment_, MAX_SHADER_BYTES);
    CheckPackageText("the vertex shader", inVertex_, MAX_SHADER_BYTES);
    CheckNestingDepth(header_, MAX_HEADER_DEPTH);
    const Json root = Json::parse(header_, nullptr, true, false);
    if (!root.is_object() || !root.contains(INPUTS_KEY)) {
      OBRISK_THROW(Exception, std::string("INPUT section not found!"));
    }
    ParseSections(root);
  }

  // Adds the built-in variables and rewrites the shaders again so that they
  // are declared too.
  void AddStandardElements() {
    for (const Element& element : StandardElements()) elements_.emplace(element.name, element);
    RewriteShaders();
  }

  const std::string& GetFragmentShader() const { return outFragment_; }
  const std::string& GetVertexShader() const { return outVertex_; }
  const ElementMap& GetElements() const { return elements_; }

 protected:
  virtual Element MakeBoolElement(const std::string& name, bool value) = 0;
  virtual Element MakeLongElement(const std::string& name, const Json& input) = 0;
  virtual Element MakeFloatElement(const std::string& name, const Json& input) = 0;
  virtual Element MakePoint2DElement(const std::string& name, const Json& input) = 0;
  virtual Element MakeColorElement(const std::string& name, const Json& input) = 0;
  // Numbers the image inputs in header order through NextImageIndex.
  virtual Element MakeImageElement(const std::string& name) = 0;
  virtual Element MakePassElement(const std::string& name, const PassElement& pass) = 0;
  // An audio input (`fft` false: a waveform) or audioFFT input (`fft` true).
  virtual Element MakeAudioElement(const std::string& name, const Json& input, bool fft) = 0;
  // Whether an element is sampled like an image and so has companions: image
  // inputs here; an implementation adds its own kinds (sounds).
  virtual bool IsSampled(const Element& element) const {
    return element.value.type() == typeid(ImageElement);
  }
  // Replaces the render-size variables in the pass's size expressions.
  virtual void ResolveSizeVariables(PassElement& pass) = 0;
  // Parses INPUTS and PASSES (ParseInputsAndPasses, ResolvePassSizes) and
  // rewrites the shaders.
  virtual void ParseSections(const Json& root) = 0;
  // Builds the output shaders from the input ones and the current elements.
  virtual void RewriteShaders() = 0;

  // The inputs, the imported pictures, then the passes, in header order:
  // every non-null entry of an array; a missing key or another value parses
  // nothing. Then the images' companions.
  void ParseInputsAndPasses(const Json& root) {
    ForEachEntry(root, INPUTS_KEY, [this](const Json& input) { Insert(ParseInputElement(input)); });
    for (const ImportedImage& image : ImportedImages(root)) Insert(MakeImageElement(image.name));
    ForEachEntry(root, PASSES_KEY, [this](const Json& pass) { Insert(ParsePassElement(pass)); });
    AddCompanions();
  }

  // Turns the variables of every named pass's size expressions into text:
  // the render size through ResolveSizeVariables, then the int and float
  // inputs by their defaults.
  void ResolvePassSizes() {
    for (auto& [key, element] : elements_) {
      const auto* stored = std::any_cast<PassElement>(&element.value);
      if (stored == nullptr) continue;
      PassElement pass = *stored;
      ResolveSizeVariables(pass);
      for (const auto& [variable, input] : elements_) {
        const std::string text = NumberText(input.value);
        if (text.empty()) continue;
        const std::string sign = std::string(VARIABLE_SIGN) + variable;
        ReplaceString(pass.width, sign, " " + text + " ", true);
        ReplaceString(pass.height, sign, " " + text + " ", true);
      }
      element.value = pass;
    }
  }

  Element ParseInputElement(const Json& input) {
    const std::string name = StringOf(input, NAME_KEY);
    if (!input.contains(TYPE_KEY)) {
      OBRISK_THROW(Exception, std::string("TYPE_KEY for element not found"));
    }
    const InputTypeValue type =
        GetInputTypeFromString(input.at(TYPE_KEY).template get<std::string>());
    if (type == kImage) return MakeImageElement(name);
    if (type == kEvent) return MakeBoolElement(name, false);
    if (type == kAudio || type == kAudioFFT)
      return MakeAudioElement(name, input, type == kAudioFFT);
    if (type > kEvent) return Element{};
    if (input.contains(DEFAULT_KEY)) return MakeValueElement(type, name, input);
    Json completed = input;
    completed[std::string(DEFAULT_KEY)] = NaturalDefault(type, input);
    return MakeValueElement(type, name, completed);
  }

  Element ParsePassElement(const Json& pass) {
    if (static_cast<std::size_t>(passCounter_) >= MAX_PASSES) {
      OBRISK_THROW(Exception, "More than " + std::to_string(MAX_PASSES) + " passes");
    }
    PassElement element{};
    if (pass.contains(PERSISTENT_KEY)) {
      element.persistent = pass.at(PERSISTENT_KEY).template get<bool>();
    }
    if (pass.contains(FLOAT_KEY)) element.floatTarget = BoolDefault(pass.at(FLOAT_KEY));
    element.width = ExpressionOf(pass, WIDTH_KEY);
    element.height = ExpressionOf(pass, HEIGHT_KEY);
    element.index = passCounter_++;
    return MakePassElement(StringOf(pass, TARGET_KEY), element);
  }

  std::int32_t NextImageIndex() { return imageCounter_++; }

  const std::string& InputVertex() const { return inVertex_; }
  const std::string& InputFragment() const { return inFragment_; }
  void SetOutput(std::string vertex, std::string fragment) {
    outVertex_ = std::move(vertex);
    outFragment_ = std::move(fragment);
  }

 private:
  template <class Parse>
  static void ForEachEntry(const Json& root, std::string_view key, Parse&& parse) {
    const auto found = root.find(key);
    if (found == root.end() || !found->is_array()) return;
    for (const Json& entry : *found) {
      if (!entry.is_null()) parse(entry);
    }
  }

  Element MakeValueElement(InputTypeValue type, const std::string& name, const Json& input) {
    switch (type) {
      case kBool:
        return MakeBoolElement(name, BoolDefault(input.at(DEFAULT_KEY)));
      case kLong:
        return MakeLongElement(name, input);
      case kFloat:
        return MakeFloatElement(name, input);
      case kPoint2D:
        return MakePoint2DElement(name, input);
      default:
        return MakeColorElement(name, input);
    }
  }

  // The default of an input that gives none: its MIN when it has one, else
  // false, the first of its VALUES (long), 0, the middle of MAX or of the
  // unit square (point2D) or opaque black (color).
  static Json NaturalDefault(InputTypeValue type, const Json& input) {
    if (type == kBool) return false;
    const auto values = input.find(VALUES_KEY);
    if (type == kLong && values != input.end() && values->is_array() && !values->empty()) {
      return values->front();
    }
    if (input.contains(MIN_KEY)) return input.at(MIN_KEY);
    if (type == kPoint2D) {
      const auto maximum = input.find(MAX_KEY);
      if (maximum != input.end() && maximum->is_array() && maximum->size() >= 2 &&
          maximum->at(0).is_number() && maximum->at(1).is_number()) {
        return Json::array({maximum->at(0).template get<double>() / 2.0,
                            maximum->at(1).template get<double>() / 2.0});
      }
      return Json::array({0.5, 0.5});
    }
    if (type == kColor) return Json::array({0.0, 0.0, 0.0, 1.0});
    return 0;
  }

  // Names go into the shaders' declarations, so they must be identifiers;
  // only a pass may go without (it then has no sampler and is kept under a
  // key of its own, which no identifier can be).
  void Insert(Element element) {
    if (!element.value.has_value()) return;
    const auto* pass = std::any_cast<PassElement>(&element.value);
    if (pass != nullptr && element.name.empty()) {
      elements_.emplace("#" + std::to_string(pass->index), std::move(element));
      return;
    }
    if (!IsValidName(element.name)) {
      OBRISK_THROW(Exception, "Invalid element name: \"" + element.name + "\"");
    }
    elements_.emplace(element.name, std::move(element));
  }

  // Size, rectangle and flip of every image, sound and named pass target.
  void AddCompanions() {
    std::vector<Element> companions;
    for (const auto& [key, element] : elements_) {
      const bool image = IsSampled(element);
      const bool target = element.value.type() == typeid(PassElement) && !element.name.empty();
      if (!image && !target) continue;
      companions.push_back({CompanionName(element.name, IMG_SIZE_SUFFIX), glm::vec2(0.0f)});
      companions.push_back({CompanionName(element.name, IMG_RECT_SUFFIX), glm::vec4(0.0f)});
      companions.push_back({CompanionName(element.name, IMG_FLIP_SUFFIX), false});
    }
    for (Element& companion : companions) elements_.emplace(companion.name, std::move(companion));
  }

  // A key's string, empty when the key is absent; another type raises the
  // JSON library's type error.
  static std::string StringOf(const Json& object, std::string_view key) {
    if (!object.is_object() || !object.contains(key)) return {};
    return object.at(key).template get<std::string>();
  }

  // A size expression: its text, or the text of a plain number.
  static std::string ExpressionOf(const Json& pass, std::string_view key) {
    if (pass.is_object() && pass.contains(key) && pass.at(key).is_number()) {
      return pass.at(key).dump();
    }
    return StringOf(pass, key);
  }

  // Booleans as they are, numbers as non-zero; anything else raises the JSON
  // library's type error.
  static bool BoolDefault(const Json& value) {
    if (value.is_boolean()) return value.template get<bool>();
    return value.template get<double>() != 0.0;
  }

  // An int or float value as size expressions take it; empty for other values.
  static std::string NumberText(const std::any& value) {
    if (const auto* number = std::any_cast<std::int32_t>(&value)) return std::to_string(*number);
    if (const auto* number = std::any_cast<float>(&value)) return fmt::format("{:f}", *number);
    return {};
  }

  static const std::vector<Element>& StandardElements() {
    static const std::vector<Element> elements{
        Element{std::string(FRAMEINDEX), std::int32_t{0}},
        Element{std::string(PASSINDEX), std::int32_t{-1}},
        Element{std::string(RENDERSIZE), glm::vec2(-1.0f)},
        Element{std::string(TIME), -1.0f},
        Element{std::string(TIMEDELTA), -1.0f},
        Element{std::string(DATE), glm::vec4(-1.0f)},
    };
    return elements;
  }

  std::string header_;
  std::string inVertex_;
  std::string inFragment_;
  std::string outVertex_;
  std::string outFragment_;
  ElementMap elements_;
  std::int32_t passCounter_ = 0;
  std::int32_t imageCounter_ = 0;
};

}  // namespace Obrisk::Proc::ISF
