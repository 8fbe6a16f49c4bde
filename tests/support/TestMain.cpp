// Test entry: real OpenGL with the driver's debug output on, and a check at
// the end that no OpenGL error was reported while the tests ran.
#include <cstdlib>

#include <glog/logging.h>
#include <gtest/gtest.h>

#include "obrisk/ogl/OglManager.h"

namespace {

class NoGlErrors : public ::testing::Environment {
 public:
  void TearDown() override {
    Obrisk::Ogl::OglManager::GetInstance().Finish();
    EXPECT_EQ(Obrisk::Ogl::OglManager::GetInstance().GlErrorCount(), 0u)
        << "the driver reported OpenGL errors (see the log)";
  }
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QUENVARA_GL_DEBUG", "1", 0);
  google::InitGoogleLogging(argv[0]);
  FLAGS_logtostderr = true;
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new NoGlErrors);
  return RUN_ALL_TESTS();
}
