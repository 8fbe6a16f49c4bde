#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/host/Exception.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Proc::ISF {
namespace {

struct ReplaceCase {
  const char* text;
  const char* from;
  const char* to;
  bool wholeWord;
  const char* expected;
};
class IsfReplaceString : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(IsfReplaceString, Replaces) {
  std::string text = GetParam().text;
  ReplaceString(text, GetParam().from, GetParam().to, GetParam().wholeWord);
  EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IsfReplaceString,
    ::testing::Values(ReplaceCase{"$scale*$scaleX", "$scale", "0.5", true, "0.5*$scaleX"},
                      ReplaceCase{"$scale*$scaleX", "$scale", "0.5", false, "0.5*0.5X"},
                      ReplaceCase{"aXa", "a", "aa", false, "aaXaa"},
                      ReplaceCase{"x_gl_FragCoord gl_FragCoord.x", "gl_FragCoord", "F()", true,
                                  "x_gl_FragCoord F().x"},
                      ReplaceCase{"abc", "", "z", false, "abc"},
                      ReplaceCase{"", "a", "b", true, ""}));

TEST(IsfRange, ChecksEachComponentAgainstPresentBounds) {
  const std::vector<double> value{0.5, 2.0};
  const std::vector<double> minimum{0.0, 0.0};
  const std::vector<double> maximum{1.0, 1.0};
  EXPECT_TRUE(CheckRange(value, minimum, maximum).aboveMaximum);
  EXPECT_FALSE(CheckRange(value, minimum, maximum).belowMinimum);
  EXPECT_FALSE(CheckRange(value, minimum, {}).aboveMaximum);
  EXPECT_TRUE(CheckRange(std::vector<double>{-1.0}, minimum, {}).belowMinimum);
}

TEST(IsfFragmentFile, SplitsHeaderFromBodyKeepingLineNumbers) {
  const FragmentFile file = SplitFragmentFile(
      "\n/*{\n  \"INPUTS\": []\n}*/\nvoid main() {\n  gl_FragColor = vec4(1.0);\n}\n");
  EXPECT_EQ(file.header, "{\n  \"INPUTS\": []\n}");
  EXPECT_EQ(file.body, "\n\n\n\nvoid main() {\n  gl_FragColor = vec4(1.0);\n}\n");
}

struct SplitFailure {
  const char* text;
  const char* message;
};
class IsfFragmentFileFailure : public ::testing::TestWithParam<SplitFailure> {};

TEST_P(IsfFragmentFileFailure, NamesTheProblem) {
  try {
    SplitFragmentFile(GetParam().text);
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Description(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IsfFragmentFileFailure,
    ::testing::Values(SplitFailure{"void main() {}", "ISF header comment not found"},
                      SplitFailure{"", "ISF header comment not found"},
                      SplitFailure{"// {}\n", "ISF header comment not found"},
                      SplitFailure{"/*{\"INPUTS\": []}", "ISF header comment is not closed"}));

}  // namespace
}  // namespace Obrisk::Proc::ISF
