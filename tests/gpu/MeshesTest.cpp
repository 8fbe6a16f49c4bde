// The free-vertex meshes: 2-D point lists, coloured points and indexed 3-D
// meshes, drawn through custom and built-in vertex shaders.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/Mesh3d.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

constexpr int kSize = 8;
using Texels = std::vector<std::uint8_t>;

// Clears a kSize x kSize target to transparent, runs `draw` into it and reads
// it back, bottom row first.
template <class Draw>
Texels Render(Draw&& draw) {
  Texels texels(kSize * kSize * 4);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Ptr<Frame> target = Frame::CreateIntermediate({}, Proc::PixFmt::RGBA, {kSize, kSize, 1, 1});
    storage.FBO().Attach(target->GetFirstTexture());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw(storage);
    target->GetFirstTexture().Download(0, texels.data(), storage.FBO());
  });
  return texels;
}

std::array<int, 4> At(const Texels& texels, int x, int y) {
  const std::uint8_t* p = texels.data() + (y * kSize + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

const ShaderSources kPlain{"MeshesTest_plain", ShaderSourceFunction([] {
                             return std::string(R"(
attribute vec4 vbo_xy;
void main() { gl_Position = vec4(vbo_xy.xy, 0.0, 1.0); }
)");
                           }),
                           std::string_view(R"(
void main() { gl_FragColor = vec4(1.0, 0.5, 0.0, 1.0); }
)"),
                           "MeshesTest"};

const ShaderSources kColoured{"MeshesTest_coloured", std::string_view(R"(
attribute vec4 vbo_xy;
attribute vec4 vbo_color;
varying vec4 colour;
void main() {
  colour = vbo_color;
  gl_Position = vec4(vbo_xy.xy, 0.0, 1.0);
}
)"),
                              std::string_view(R"(
varying vec4 colour;
void main() { gl_FragColor = colour; }
)"),
                              "MeshesTest"};

const ShaderSources kTextured{"MeshesTest_textured", Shader::Mesh3d, std::string_view(R"(
varying vec2 TexCoord0;
void main() { gl_FragColor = vec4(TexCoord0, 0.0, 1.0); }
)"),
                              "MeshesTest"};

TEST(Mesh2dTest, DrawsTrianglesFromAVertexSourceBuiltOnDemand) {
  const Texels texels = Render([](ShaderStorage& storage) {
    Mesh2d mesh;
    // The left half of the frame.
    for (glm::vec2 p : {glm::vec2(-1, -1), glm::vec2(0, -1), glm::vec2(-1, 1), glm::vec2(-1, 1),
                        glm::vec2(0, -1), glm::vec2(0, 1)}) {
      mesh.AddPoint(p);
    }
    EXPECT_EQ(mesh.PointCount(), 6u);
    ShaderProgram& program = storage.MakeShader(kPlain);
    program.Use();
    mesh.Activate();
    mesh.Draw(program);
  });
  EXPECT_EQ(At(texels, 0, 0), (std::array{255, 128, 0, 255}));
  EXPECT_EQ(At(texels, kSize / 2 - 1, kSize - 1), (std::array{255, 128, 0, 255}));
  EXPECT_EQ(At(texels, kSize / 2, 0), (std::array{0, 0, 0, 0}));
}

TEST(ColoredMesh2dTest, InterpolatesVertexColours) {
  const Texels texels = Render([](ShaderStorage& storage) {
    ColoredMesh2d mesh(GL_TRIANGLE_STRIP);
    const glm::vec4 red(1, 0, 0, 1);
    const glm::vec4 blue(0, 0, 1, 1);
    // Red on the left edge, blue on the right: a horizontal ramp.
    mesh.AddPoint({-1, -1}, red);
    mesh.AddPoint({1, -1}, blue);
    mesh.AddPoint({-1, 1}, red);
    mesh.AddPoint({1, 1}, blue);
    ShaderProgram& program = storage.MakeShader(kColoured);
    program.Use();
    mesh.Activate();
    mesh.Draw(program);
  });
  for (int x = 0; x < kSize; ++x) {
    const double blue = (x + 0.5) / kSize * 255.0;
    EXPECT_NEAR(At(texels, x, 3)[2], blue, 1.0) << x;
    EXPECT_NEAR(At(texels, x, 3)[0], 255.0 - blue, 1.0) << x;
  }
}

TEST(Mesh3dTest, DrawsIndexedTrianglesThroughTheMvpMatrix) {
  const Texels texels = Render([](ShaderStorage& storage) {
    PackedMesh3d packed;
    const auto bl = packed.AddPoint({-1, -1, 0}, {0, 0});
    const auto br = packed.AddPoint({1, -1, 0}, {1, 0});
    const auto tr = packed.AddPoint({1, 1, 0}, {1, 1});
    const auto tl = packed.AddPoint({-1, 1, 0}, {0, 1});
    EXPECT_EQ(packed.AddQuad(bl, br, tr, tl), 0u);
    EXPECT_EQ(packed.Indices().size(), 6u);
    Mesh3d mesh;
    EXPECT_TRUE(mesh.IsEmpty());
    mesh.Upload(packed, GL_STATIC_DRAW);
    ShaderProgram& program = storage.MakeShader(kTextured);
    program.Use();
    // Scaled to the bottom-left quarter.
    const glm::mat4 mvp =
        glm::scale(glm::translate(glm::mat4(1.0f), {-0.5f, -0.5f, 0.0f}), {0.5f, 0.5f, 1.0f});
    program.Uniform("MVP", mvp, false);
    mesh.Activate();
    mesh.Draw(program);
  });
  // Texel (x, y) of the quarter shows uv ((x + 0.5) / 4, (y + 0.5) / 4).
  EXPECT_NEAR(At(texels, 0, 0)[0], 0.125 * 255, 1.0);
  EXPECT_NEAR(At(texels, 3, 2)[0], 0.875 * 255, 1.0);
  EXPECT_NEAR(At(texels, 3, 2)[1], 0.625 * 255, 1.0);
  EXPECT_EQ(At(texels, 4, 0)[3], 0);
  EXPECT_EQ(At(texels, 0, 4)[3], 0);
}

TEST(PackedMesh3dTest, ReplacesPointsAndQuadCoordinatesAndChecksIndices) {
  PackedMesh3d packed;
  for (int i = 0; i < 4; ++i) packed.AddPoint({float(i), 0, 0}, {0, 0});
  const std::size_t quad = packed.AddQuad(0, 1, 2, 3);
  packed.ReplaceQuadUV(quad, {glm::vec2(0, 0), glm::vec2(1, 0), glm::vec2(1, 1), glm::vec2(0, 1)});
  EXPECT_EQ(packed.Vertices()[2].uv, glm::vec2(1, 1));
  EXPECT_EQ(packed.Vertices()[2].normal, glm::vec3(0, 0, 1));
  packed.Replace(3, {5, 5, 5}, {0.5f, 0.5f});
  EXPECT_EQ(packed.Vertices()[3].position, glm::vec3(5, 5, 5));
  EXPECT_THROW(packed.AddTriangle(0, 1, 4), std::out_of_range);
  EXPECT_THROW(packed.Replace(9, {}, {}), std::out_of_range);
  EXPECT_THROW(packed.ReplaceQuadUV(1, {}), std::out_of_range);
  packed.Clear();
  EXPECT_TRUE(packed.Vertices().empty());
  EXPECT_TRUE(packed.Indices().empty());
}

}  // namespace
}  // namespace Obrisk::Ogl
