// The entry of every benchmark program: logging, and the renderer named in
// the report's context.
#include <benchmark/benchmark.h>
#include <glog/logging.h>

#include "obrisk/ogl/OglManager.h"

int main(int argc, char** argv) {
  google::InitGoogleLogging(argv[0]);
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("renderer", Obrisk::Ogl::OglManager::GetInstance().Renderer());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
