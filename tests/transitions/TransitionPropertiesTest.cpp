// What holds for every member of the transition family; the members' own
// test files instantiate these with their cases.
#include <gtest/gtest.h>

#include "obrisk/ogl/Gl.h"
#include "obrisk/ogl/OglManager.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

// 8-bit targets and float progress: one level of rounding either way.
constexpr int kTolerance = 1;

TEST_P(TransitionProperties, StartsWithTheFirstInputAndEndsWithTheSecond) {
  if (!GetParam().endsAreInputs) GTEST_SKIP() << "this member's ends are not its inputs";
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const auto settings = GetParam().plain();
  EXPECT_LE(MaxChannelDifference(*RunTransition(*settings, first, second, 0.0), *first),
            kTolerance);
  EXPECT_LE(MaxChannelDifference(*RunTransition(*settings, first, second, 1.0), *second),
            kTolerance);
}

TEST_P(TransitionProperties, OutputHasTheInputsSize) {
  const auto output = RunTransition(*GetParam().plain(), FirstPicture(), SecondPicture(), 0.37);
  EXPECT_EQ(output->GetFrameInfo().width, kTransitionWidth);
  EXPECT_EQ(output->GetFrameInfo().height, kTransitionHeight);
}

TEST_P(TransitionProperties, LeavesBlendingAsItFoundIt) {
  for (double progress : {0.0, 0.4, 1.0}) {
    RunTransition(*GetParam().plain(), FirstPicture(), SecondPicture(), progress);
    GLboolean blending = GL_TRUE;
    GLint equationRgb = 0;
    GLint equationAlpha = 0;
    Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage&) {
      blending = glIsEnabled(GL_BLEND);
      glGetIntegerv(GL_BLEND_EQUATION_RGB, &equationRgb);
      glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &equationAlpha);
    });
    EXPECT_EQ(blending, GL_FALSE) << "at progress " << progress;
    EXPECT_EQ(equationRgb, GL_FUNC_ADD) << "at progress " << progress;
    EXPECT_EQ(equationAlpha, GL_FUNC_ADD) << "at progress " << progress;
  }
}

// The members that cull faces turn culling off again and leave the GL's
// default face (the back) to be culled.
TEST_P(TransitionProperties, LeavesCullingAsItFoundIt) {
  RunTransition(*GetParam().plain(), FirstPicture(), SecondPicture(), 0.4);
  GLboolean culling = GL_TRUE;
  GLint face = 0;
  Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage&) {
    culling = glIsEnabled(GL_CULL_FACE);
    glGetIntegerv(GL_CULL_FACE_MODE, &face);
  });
  EXPECT_EQ(culling, GL_FALSE);
  EXPECT_EQ(face, GL_BACK);
}

TEST_P(TransitionProperties, ReversedIsThePlainMemberBackwardsWithTheInputsExchanged) {
  if (!GetParam().reversed) GTEST_SKIP() << "this member has no reversed direction";
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  for (double progress : {0.25, 0.6}) {
    const auto reversed = RunTransition(*GetParam().reversed(), first, second, progress);
    const auto plain = RunTransition(*GetParam().plain(), second, first, 1.0 - progress);
    EXPECT_LE(MaxChannelDifference(*reversed, *plain), kTolerance) << "at progress " << progress;
  }
}

}  // namespace

// Instantiated by the members' test files.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TransitionProperties);

}  // namespace Obrisk::Testing
