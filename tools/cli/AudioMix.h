// Audio re-encoded for an output: one input's audio as it is, or two inputs'
// crossfaded where a transition joins them, trimmed to the frames written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AvPointers.h"

namespace Obrisk::Tools {

// One input's compressed audio as its reader keeps it; an input without a
// stream is silence. A crossfade's inputs are read by readers of their own,
// ahead of their frames (see AudioMix).
struct AudioInput {
  const AVStream* stream = nullptr;
  // The next kept packet, none while none is waiting.
  std::function<PacketPtr()> take;
  // Reads on until the kept audio reaches a time of the input (microseconds).
  std::function<void(std::int64_t)> readUntil;
  // Stops keeping packets: the input's audio is no longer needed.
  std::function<void()> stopKeeping;
  // The output's time less the input's, in microseconds.
  std::int64_t shift = 0;
};

// Where two inputs' audio meets (output microseconds): the first's plays up
// to `at + length`, fading out from `at` while the second's fades in.
struct AudioCrossfade {
  std::int64_t at = 0;
  std::int64_t length = 0;
};

// Decodes the inputs, mixes them (FFmpeg's filters) and encodes the result
// into a new stream of `output`: AAC where the container holds it, else
// Opus, else the container's own audio codec. Made before the output's header
// is written; times are the output's, in microseconds.
//
// The audio is written in step with the frames, so that the muxer, which
// interleaves the streams by time, holds back no more than a frame or two of
// either. A crossfade holds its length of the first input until that input
// ends and then takes its length of the second at once, so both are read
// that far ahead of the frames (AudioInput::readUntil).
class AudioMix {
 public:
  // One input, or two with a crossfade.
  AudioMix(AVFormatContext& output, std::vector<AudioInput> inputs,
           std::optional<AudioCrossfade> crossfade, std::string path);
  ~AudioMix();
  AudioMix(const AudioMix&) = delete;
  AudioMix& operator=(const AudioMix&) = delete;

  // Writes the audio from `from` (the first frame's time; fixed by the
  // first call) up to `until`.
  void WriteUntil(std::int64_t from, std::int64_t until);
  // Writes the rest up to `end` and ends the stream.
  void Finish(std::int64_t end);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace Obrisk::Tools
