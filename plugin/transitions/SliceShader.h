// The spin or the swish run slice by slice: the frame is cut into slices
// (bands, rings, squares, triangles), each reaching the transition's
// midpoint at its own time and, by the direction rule, moving its own way.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>

#include "obrisk/ogl/Texture.h"
#include "transitions/ProgressControlledShaderBase.h"

namespace Obrisk::Ogl {

// What tells one slice program from another.
struct SliceKey {
  std::int32_t baseType = 0;       // non-zero: the spin; 0: the swish
  std::int32_t directionRule = 0;  // 0 to 3
  std::int32_t slicesType = 0;     // 0 to 10
  auto operator<=>(const SliceKey&) const = default;
};

// B is ModifiedMotionSpinShader or WhipeShader. The name is the base's name
// ("ModifiedMotionSpin" or "WhipeShader") and the key's values, joined by
// underscores.
template <class B>
class SliceShader final : public B {
 public:
  explicit SliceShader(const SliceKey& key);

 protected:
  std::string GetFunctionsText() const override;
  std::string GetMainText() const override;

 private:
  SliceKey key_;
};

// The registered program of every key (base types 0 and 1, direction rules
// 0 to 3, slices types 0 to 10); none for another key.
const ProgressControlledShaderBase* FindSliceShader(const SliceKey& key);

// The number of slices the frame is cut into. Square types take the largest
// square n x n not above the count (at least 2 x 2); throws EffectException
// past 255 x 255.
int EffectiveSlicesCount(Proc::SlicesType type, int count);
// True for the types that number their squares through a texture.
bool IsSquareSlicing(Proc::SlicesType type);
// The n x n numbering of the square types: slice k / 65025 in its cell.
std::unique_ptr<Texture> MakeSliceNumbering(Proc::SlicesType type, int count);

// The slicing uniforms; `numbering` (square types) is bound to unit 2.
void SetCommonSliceVariables(const ShaderProgram& program,
                             const Proc::SettingsTransitionSlice& settings, int width, int height,
                             const Texture* numbering);

}  // namespace Obrisk::Ogl
