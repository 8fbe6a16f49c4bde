#include "effects/overlay/EffectFilmStrip.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <numeric>

#include "effects/overlay/OverlayPasses.h"

namespace Obrisk::Ogl {

// The style's layout, the reduced recent frames (newest first) with their
// display aspects, each slot's quad with the aspect it was built for, and a
// transparent frame for slots whose frame has not been seen yet.
class EffectFilmStrip::CacheImpl final : public OglCache {
 public:
  struct Past {
    Ptr<Frame> frame;
    double aspect = 1.0;
  };
  struct SlotQuad {
    std::unique_ptr<Quad> quad;
    double aspect = 0.0;
  };

  // Takes the style's layout when it changed; the history is kept.
  void Restyle(std::int32_t style);
  // The blank frame, made on first use.
  Frame& Blank(const Proc::ColorSpace& colorSpace, ShaderStorage& storage);
  void Remember(Ptr<Frame> frame, double aspect);
  // The slot's quad for a frame of `aspect` on a target of `targetAspect`.
  Quad& SlotQuadFor(std::size_t slot, double aspect, double targetAspect);

  std::int32_t style = 0;
  int divisor = 0;
  std::size_t slotCount = 0;
  Layout layout;
  std::deque<Past> history;
  std::vector<SlotQuad> slots;

 private:
  Ptr<Frame> blank_;
};

namespace {

// Style 2's 9 x 9 mosaic: the cells of slots 0, 6, 12 and 18, which together
// cover every cell once; the slots between show nothing.
constexpr int kMosaicSlots = 19;
const std::vector<std::pair<int, std::vector<int>>>& MosaicCells() {
  static const std::vector<std::pair<int, std::vector<int>>> cells{
      {0, {0, 2, 6, 8, 10, 16, 18, 26, 54, 62, 64, 70, 72, 74, 78, 80}},
      {6, {3,  4,  5,  12, 14, 22, 27, 28, 34, 35, 36, 38,
           42, 44, 45, 46, 52, 53, 58, 66, 68, 75, 76, 77}},
      {12, {13, 30, 31, 32, 37, 39, 41, 43, 48, 49, 50, 67}},
      {18, {1,  7,  9,  11, 15, 17, 19, 20, 21, 23, 24, 25, 29, 33, 40,
            47, 51, 55, 56, 57, 59, 60, 61, 63, 65, 69, 71, 73, 79}},
  };
  return cells;
}

constexpr std::int32_t kStyleMosaic = 2;
constexpr std::int32_t kStyleSingle = 3;
// Style 1: a 4 x 4 grid of the last 16 frames, the newest in the top-right cell.
constexpr int kGridDivisor = 4;
// Style 3: one slot over all cells of a 5 x 5 grid.
constexpr int kSingleDivisor = 5;
constexpr int kMosaicDivisor = 9;
// Quads are rebuilt when a frame's aspect moves this far from theirs.
constexpr double kAspectTolerance = 0.0001;

// The quad of one cell holding a whole frame of aspect `aspect` on a target
// of aspect `targetAspect`, centred with the frame's shape.
PackedMesh::QuadVertices CellQuad(int cell, int grid, double aspect, double targetAspect) {
  const int row = cell / grid;
  const int column = cell % grid;
  const double insetX = targetAspect > aspect ? 0.5 - aspect / (2.0 * targetAspect) : 0.0;
  const double insetY = targetAspect > aspect ? 0.0 : 0.5 - targetAspect / (2.0 * aspect);
  const auto clip = [grid](double position) {
    return static_cast<float>((2.0 * position - grid) / grid);
  };
  const float left = clip(column + insetX);
  const float right = clip(column + 1 - insetX);
  const float bottom = clip(row + insetY);
  const float top = clip(row + 1 - insetY);
  return {QuadVertex{0.0f, 0.0f, left, bottom}, QuadVertex{1.0f, 0.0f, right, bottom},
          QuadVertex{1.0f, 1.0f, right, top}, QuadVertex{0.0f, 1.0f, left, top}};
}

// The frame reduced by `divisor` with tile averages: each texel the mean of
// a divisor x divisor tile of the source.
Ptr<Frame> Reduce(Frame& rgba, const Frame& target, int divisor, ShaderStorage& storage) {
  const Proc::FrameInfo& info = rgba.GetFrameInfo();
  Proc::FrameInfo small = info;
  const auto reduced = [divisor](int side) {
    return std::max(1, static_cast<int>(static_cast<double>(side) / divisor + 0.5));
  };
  small.width = reduced(info.width);
  small.height = reduced(info.height);
  Ptr<Frame> frame =
      Frame::CreateIntermediate(target.GetColorSpace(), target.GetPixelFormat(), small);
  storage.FBO().Attach(frame->GetFirstTexture());
  ClearAttached();
  ShaderProgram& program = storage.GetShaderProgram(BuiltinProgram::kTileAverage);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("amount", static_cast<float>(small.width), static_cast<float>(small.height));
  program.Uniform("rFrameSize", 1.0f / static_cast<float>(info.width),
                  1.0f / static_cast<float>(info.height));
  program.Uniform("tile_av_size", static_cast<float>(divisor), static_cast<float>(divisor));
  rgba.GetFirstTexture().Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
  return frame;
}

}  // namespace

EffectFilmStrip::Layout EffectFilmStrip::LayoutOf(std::int32_t style) {
  Layout layout;
  if (style == kStyleMosaic) {
    layout.grid = kMosaicDivisor;
    layout.slotCells.resize(kMosaicSlots);
    for (const auto& [slot, cells] : MosaicCells()) {
      layout.slotCells[static_cast<std::size_t>(slot)] = cells;
    }
  } else if (style == kStyleSingle) {
    layout.grid = kSingleDivisor;
    std::vector<int> all(kSingleDivisor * kSingleDivisor);
    std::iota(all.begin(), all.end(), 0);
    layout.slotCells.push_back(std::move(all));
  } else {
    layout.grid = kGridDivisor;
    const int cells = kGridDivisor * kGridDivisor;
    for (int slot = 0; slot < cells; ++slot) layout.slotCells.push_back({cells - 1 - slot});
  }
  return layout;
}

void EffectFilmStrip::CacheImpl::Restyle(std::int32_t newStyle) {
  if (!layout.slotCells.empty() && style == newStyle) return;
  style = newStyle;
  layout = LayoutOf(newStyle);
  divisor = layout.grid;
  slotCount = layout.slotCells.size();
  slots.clear();
  slots.resize(slotCount);
  if (history.size() > slotCount) history.resize(slotCount);
}

Frame& EffectFilmStrip::CacheImpl::Blank(const Proc::ColorSpace& colorSpace,
                                         ShaderStorage& storage) {
  if (!blank_) {
    blank_ = Frame::CreateIntermediate(colorSpace, Proc::kPixFmtAlpha, Proc::FrameInfo{1, 1, 1, 1});
    storage.FBO().Attach(blank_->GetFirstTexture());
    ClearAttached();
  }
  return *blank_;
}

void EffectFilmStrip::CacheImpl::Remember(Ptr<Frame> frame, double aspect) {
  history.push_front(Past{std::move(frame), aspect});
  if (history.size() > slotCount) history.pop_back();
}

Quad& EffectFilmStrip::CacheImpl::SlotQuadFor(std::size_t slot, double aspect,
                                              double targetAspect) {
  SlotQuad& entry = slots[slot];
  if (!entry.quad || std::abs(entry.aspect - aspect) >= kAspectTolerance) {
    PackedMesh mesh;
    const auto& cells = layout.slotCells[slot];
    mesh.ReserveQuad(cells.size());
    for (int cell : cells) mesh.AddQuad(CellQuad(cell, layout.grid, aspect, targetAspect));
    entry.quad = std::make_unique<Quad>(mesh, GL_STATIC_DRAW);
    entry.aspect = aspect;
  }
  return *entry.quad;
}

const std::string_view& EffectFilmStrip::GetName() const {
  static constexpr std::string_view kName = "EffectFilmStrip";
  return kName;
}

Ptr<OglCache> EffectFilmStrip::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectFilmStrip::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                 double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& strip = CacheAs<CacheImpl>(cache);
  strip.Restyle(DrawingSettings().GetStyle());
  Frame& blank = strip.Blank(target->GetColorSpace(), storage);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> reduced = Reduce(*rgba, *target, strip.divisor, storage);
  if (reduced->IsValid()) strip.Remember(reduced, rgba->GetFrameInfo().DisplayAspect());

  const double targetAspect = target->GetFrameInfo().DisplayAspect();
  storage.FBO().Attach(target->GetFirstTexture());
  ClearAttached();
  // The oldest first; a slot without a frame yet shows the blank one.
  for (std::size_t slot = strip.slotCount; slot-- > 0;) {
    if (strip.layout.slotCells[slot].empty()) continue;
    const bool seen = slot < strip.history.size();
    const double aspect = seen ? strip.history[slot].aspect : targetAspect;
    Quad& quad = strip.SlotQuadFor(slot, aspect, targetAspect);
    Frame& frame = seen ? *strip.history[slot].frame : blank;
    frame.Draw(quad, storage);
  }
}

}  // namespace Obrisk::Ogl
