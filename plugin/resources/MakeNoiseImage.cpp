// Writes the noise image the MPEG glitch reads: 64 x 64 texels of 8-bit RGBA,
// 16384 bytes, every byte uniform white noise from a fixed seed, so that each
// build writes the same file.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>

namespace {

constexpr int kSide = 64;
constexpr int kChannels = 4;
// Any fixed value serves; fixing it makes the file reproducible.
constexpr std::mt19937::result_type kSeed = 20260;
// The top byte of each 32-bit draw.
constexpr int kByteShift = 24;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  std::mt19937 generator(kSeed);
  for (int i = 0; i < kSide * kSide * kChannels; ++i) {
    out.put(static_cast<char>(static_cast<unsigned char>(generator() >> kByteShift)));
  }
  out.close();
  if (!out) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
