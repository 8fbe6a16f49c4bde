#include "AudioMix.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "MediaIO.h"

namespace Obrisk::Tools {
namespace {

constexpr std::int64_t kAudioBitrate = 128000;  // a common rate for stereo AAC and Opus
constexpr int kPreferredRate = 48000;           // taken when the encoder refuses the input's
constexpr double kMicrosecondsPerSecond = 1e6;
// How much further than needed an input is read before it ends: decoders
// give their last samples a frame or two late (AAC's delay is 1024 samples).
constexpr std::int64_t kReadAhead = 100000;

std::string AvText(int code) {
  std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
  av_strerror(code, text.data(), text.size());
  return text.data();
}

void Check(int code, const std::string& what) {
  if (code < 0) throw MediaError(fmt::format("{}: {}", what, AvText(code)));
}

bool Holds(const AVOutputFormat& container, AVCodecID codec) {
  return avformat_query_codec(&container, codec, FF_COMPLIANCE_NORMAL) == 1;
}

// AAC where the container holds it, else Opus, else the container's own.
const AVCodec* AudioEncoder(const AVOutputFormat& container, const std::string& path) {
  const AVCodec* encoder = nullptr;
  if (Holds(container, AV_CODEC_ID_AAC)) {
    encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
  } else if (Holds(container, AV_CODEC_ID_OPUS)) {
    encoder = avcodec_find_encoder_by_name("libopus");
  } else if (container.audio_codec != AV_CODEC_ID_NONE) {
    encoder = avcodec_find_encoder(container.audio_codec);
  }
  if (encoder == nullptr)
    throw MediaError(fmt::format("{}: no audio encoder for this format", path));
  return encoder;
}

int SampleRate(const AVCodec& encoder, int wanted) {
  if (encoder.supported_samplerates == nullptr) return wanted;
  for (const int* rate = encoder.supported_samplerates; *rate != 0; ++rate) {
    if (*rate == wanted) return wanted;
  }
  for (const int* rate = encoder.supported_samplerates; *rate != 0; ++rate) {
    if (*rate == kPreferredRate) return kPreferredRate;
  }
  return encoder.supported_samplerates[0];
}

// The input's channel layout where the encoder takes it, else stereo.
AVChannelLayout ChannelLayout(const AVCodec& encoder, const AVChannelLayout& wanted) {
  constexpr int kStereo = 2;
  AVChannelLayout layout{};
  if (wanted.order == AV_CHANNEL_ORDER_NATIVE) {
    layout = wanted;
  } else {
    av_channel_layout_default(&layout, wanted.nb_channels);
  }
  if (encoder.ch_layouts == nullptr && layout.nb_channels > 0) return layout;
  for (const AVChannelLayout* offered = encoder.ch_layouts;
       offered != nullptr && offered->nb_channels != 0; ++offered) {
    if (av_channel_layout_compare(offered, &layout) == 0) return layout;
  }
  av_channel_layout_default(&layout, kStereo);
  return layout;
}

std::string LayoutName(const AVChannelLayout& layout) {
  std::array<char, 64> name{};  // longer than any standard layout's name
  av_channel_layout_describe(&layout, name.data(), name.size());
  return name.data();
}

std::string Seconds(std::int64_t microseconds) {
  return fmt::format("{:.6f}", static_cast<double>(microseconds) / kMicrosecondsPerSecond);
}

// Samples at `rate` in a span of microseconds.
std::int64_t Samples(std::int64_t microseconds, int rate) {
  return av_rescale(microseconds, rate, static_cast<std::int64_t>(kMicrosecondsPerSecond));
}

}  // namespace

struct AudioMix::State {
  struct Part {
    AudioInput input;
    CodecPtr decoder;
    AVFilterContext* source = nullptr;
    bool drained = false;  // all its audio is in the filters
    bool closed = false;   // and ended there
  };

  AVFormatContext& output;
  std::string path;
  std::vector<Part> parts;
  std::optional<AudioCrossfade> crossfade;
  CodecPtr encoder;
  AVStream* stream = nullptr;
  FilterGraphPtr graph;
  AVFilterContext* sink = nullptr;
  FramePtr decoded{av_frame_alloc()};
  FramePtr pending;  // out of the filters, not encoded yet
  PacketPtr packet{av_packet_alloc()};
  std::int64_t firstPts = 0;  // of the first sample, in the encoder's time base
  std::int64_t samplesOut = 0;
  bool ended = false;  // the filters gave their last samples

  State(AVFormatContext& format, std::string name) : output(format), path(std::move(name)) {}

  const AVCodecParameters& Model() const {
    for (const Part& part : parts) {
      if (part.input.stream != nullptr) return *part.input.stream->codecpar;
    }
    throw MediaError(path + ": no audio to mix");
  }

  void OpenEncoder() {
    const AVCodec* codec = AudioEncoder(*output.oformat, path);
    const AVCodecParameters& model = Model();
    encoder.reset(avcodec_alloc_context3(codec));
    encoder->sample_rate = SampleRate(*codec, model.sample_rate);
    encoder->ch_layout = ChannelLayout(*codec, model.ch_layout);
    encoder->sample_fmt =
        codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    encoder->bit_rate = kAudioBitrate;
    encoder->time_base = AVRational{1, encoder->sample_rate};
    if (output.oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(encoder.get(), codec, nullptr),
          fmt::format("{}: cannot open the {} encoder", path, codec->name));
    stream = avformat_new_stream(&output, nullptr);
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->time_base = encoder->time_base;
  }

  void OpenDecoder(Part& part) {
    const AVCodecParameters& parameters = *part.input.stream->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (codec == nullptr) {
      throw MediaError(fmt::format("{}: cannot decode the {} audio", path,
                                   avcodec_get_name(parameters.codec_id)));
    }
    part.decoder.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(part.decoder.get(), &parameters);
    part.decoder->pkt_timebase = part.input.stream->time_base;
    Check(avcodec_open2(part.decoder.get(), codec, nullptr),
          fmt::format("{}: cannot decode the audio", path));
  }

  // The filter text of input `index`: its decoded audio, or silence in the
  // encoder's format.
  std::string Input(std::size_t index) const {
    if (parts[index].input.stream != nullptr) return fmt::format("[in{}]", index);
    return fmt::format("anullsrc=r={}:cl={},", encoder->sample_rate,
                       LayoutName(encoder->ch_layout));
  }

  // The first input up to the crossfade's end, in its own samples.
  std::string FirstUntilCrossfadeEnd() const {
    const std::int64_t end = crossfade->at + crossfade->length - parts[0].input.shift;
    const AVStream* stream = parts[0].input.stream;
    const int rate = stream != nullptr ? stream->codecpar->sample_rate : encoder->sample_rate;
    const std::int64_t start =
        stream != nullptr && stream->start_time != AV_NOPTS_VALUE
            ? av_rescale_q(stream->start_time, stream->time_base, kMicroseconds)
            : 0;
    return fmt::format("atrim=end_sample={}", Samples(end - start, rate));
  }

  // The second input's samples that the crossfade takes: ending them there
  // lets the crossfade go out as soon as they are in, rather than when the
  // whole input ends; the rest follows it.
  std::int64_t SecondCrossfadeSamples() const {
    const AVStream* stream = parts[1].input.stream;
    const int rate = stream != nullptr ? stream->codecpar->sample_rate : encoder->sample_rate;
    return Samples(crossfade->length, rate);
  }

  std::string Description(std::int64_t skipped) const {
    std::string mix;
    if (crossfade) {
      const std::int64_t head = SecondCrossfadeSamples();
      mix = Input(0) + FirstUntilCrossfadeEnd() + "[first];" + Input(1) + "asplit[head][tail];" +
            fmt::format("[head]atrim=end_sample={}[second];", head) +
            fmt::format("[first][second]acrossfade=d={}[faded];", Seconds(crossfade->length)) +
            fmt::format("[tail]atrim=start_sample={}[rest];", head) +
            "[faded][rest]concat=n=2:v=0:a=1[mix];";
    } else {
      mix = Input(0) + "anull[mix];";
    }
    mix += fmt::format("[mix]aformat=sample_fmts={}:sample_rates={}:channel_layouts={}",
                       av_get_sample_fmt_name(encoder->sample_fmt), encoder->sample_rate,
                       LayoutName(encoder->ch_layout));
    if (skipped > 0) mix += fmt::format(",atrim=start_sample={}", skipped);
    return mix + "[out]";
  }

  AVFilterContext* Buffer(const Part& part, std::size_t index) {
    const AVCodecContext& decoder = *part.decoder;
    const std::string arguments = fmt::format(
        "time_base={}/{}:sample_rate={}:sample_fmt={}:channel_layout={}",
        part.input.stream->time_base.num, part.input.stream->time_base.den, decoder.sample_rate,
        av_get_sample_fmt_name(decoder.sample_fmt), LayoutName(decoder.ch_layout));
    AVFilterContext* source = nullptr;
    Check(avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"),
                                       fmt::format("in{}", index).c_str(), arguments.c_str(),
                                       nullptr, graph.get()),
          path + ": cannot mix the audio");
    return source;
  }

  // The filters, from the first frame's time on.
  void BuildGraph(std::int64_t from) {
    graph.reset(avfilter_graph_alloc());
    AVFilterInOut* sources = nullptr;
    for (std::size_t i = parts.size(); i-- > 0;) {
      Part& part = parts[i];
      if (part.input.stream == nullptr) continue;
      part.source = Buffer(part, i);
      AVFilterInOut* link = avfilter_inout_alloc();
      link->name = av_strdup(fmt::format("in{}", i).c_str());
      link->filter_ctx = part.source;
      link->next = sources;
      sources = link;
    }
    Check(avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr,
                                       nullptr, graph.get()),
          path + ": cannot mix the audio");
    AVFilterInOut* target = avfilter_inout_alloc();
    target->name = av_strdup("out");
    target->filter_ctx = sink;
    const std::int64_t start = Start();
    const std::int64_t skipped =
        std::max<std::int64_t>(Samples(from - start, encoder->sample_rate), 0);
    const int parsed = avfilter_graph_parse_ptr(graph.get(), Description(skipped).c_str(), &target,
                                                &sources, nullptr);
    avfilter_inout_free(&target);
    avfilter_inout_free(&sources);
    Check(parsed, path + ": cannot mix the audio");
    Check(avfilter_graph_config(graph.get(), nullptr), path + ": cannot mix the audio");
    if (!(encoder->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
      av_buffersink_set_frame_size(sink, static_cast<unsigned>(encoder->frame_size));
    }
    firstPts = av_rescale_q(std::max(from, start), kMicroseconds, encoder->time_base);
  }

  // The output time of the first input's first sample.
  std::int64_t Start() const {
    const AVStream* first = parts[0].input.stream;
    if (first == nullptr || first->start_time == AV_NOPTS_VALUE) return parts[0].input.shift;
    return av_rescale_q(first->start_time, first->time_base, kMicroseconds) + parts[0].input.shift;
  }

  // Decodes the input's kept packets into the filters.
  void Feed(Part& part) {
    if (part.input.stream == nullptr || part.drained) return;
    while (PacketPtr next = part.input.take()) {
      const int sent = avcodec_send_packet(part.decoder.get(), next.get());
      if (sent < 0 && sent != AVERROR_INVALIDDATA) Check(sent, path + ": cannot decode the audio");
      Receive(part);
    }
  }

  void Receive(Part& part) {
    for (;;) {
      const int received = avcodec_receive_frame(part.decoder.get(), decoded.get());
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
      if (received == AVERROR_INVALIDDATA) continue;
      Check(received, path + ": cannot decode the audio");
      decoded->pts = decoded->best_effort_timestamp;
      Check(av_buffersrc_add_frame(part.source, decoded.get()), path + ": cannot mix the audio");
    }
  }

  // Reads and decodes the input's audio up to `until` (output time).
  void ReadRest(Part& part, std::int64_t until) {
    if (part.input.stream == nullptr || part.drained) return;
    part.input.readUntil(until + kReadAhead - part.input.shift);
    Feed(part);
    avcodec_send_packet(part.decoder.get(), nullptr);
    Receive(part);
    part.input.stopKeeping();
    part.drained = true;
  }

  // Ends the input in the filters.
  void End(Part& part) {
    if (part.input.stream == nullptr || part.closed) return;
    Check(av_buffersrc_add_frame(part.source, nullptr), path + ": cannot mix the audio");
    part.closed = true;
  }

  void Close(Part& part, std::int64_t until) {
    ReadRest(part, until);
    End(part);
  }

  // Encodes the mixed samples that start before `until`; with `last`, the
  // samples past it are cut off.
  void Encode(std::int64_t until, bool last) {
    const std::int64_t untilPts = av_rescale_q(until, kMicroseconds, encoder->time_base);
    while (!ended) {
      if (!pending) {
        pending.reset(av_frame_alloc());
        const int got = av_buffersink_get_frame(sink, pending.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
          pending.reset();
          ended = got == AVERROR_EOF;
          return;
        }
        Check(got, path + ": cannot mix the audio");
      }
      const std::int64_t pts = firstPts + samplesOut;
      if (pts >= untilPts) return;
      if (last && pts + pending->nb_samples > untilPts) {
        pending->nb_samples = static_cast<int>(untilPts - pts);
      }
      pending->pts = pts;
      samplesOut += pending->nb_samples;
      Check(avcodec_send_frame(encoder.get(), pending.get()), path + ": cannot encode the audio");
      pending.reset();
      Drain();
    }
  }

  void Drain() {
    for (;;) {
      const int result = avcodec_receive_packet(encoder.get(), packet.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
      Check(result, path + ": cannot encode the audio");
      av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      Check(av_interleaved_write_frame(&output, packet.get()), path + ": cannot write the audio");
    }
  }

  // Reads a crossfade's inputs as far as the mix needs them for the audio up
  // to `until`: the first the crossfade's length further (it holds that much
  // back until the first input ends), and from the crossfade's start on, the
  // first to its end, closed, and the second to the crossfade's end at least.
  void ReadAhead(std::int64_t until) {
    const std::int64_t end = crossfade->at + crossfade->length;
    if (until < crossfade->at) {
      ReadOn(parts[0], until + crossfade->length);
      return;
    }
    Close(parts[0], end);
    ReadOn(parts[1], std::max(until, end));
  }

  // Reads the input's audio up to `until` (output time), not ending it.
  void ReadOn(Part& part, std::int64_t until) {
    if (part.input.stream == nullptr || part.drained) return;
    part.input.readUntil(until + kReadAhead - part.input.shift);
  }
};

AudioMix::AudioMix(AVFormatContext& output, std::vector<AudioInput> inputs,
                   std::optional<AudioCrossfade> crossfade, std::string path)
    : state_(std::make_unique<State>(output, std::move(path))) {
  State& s = *state_;
  s.crossfade = crossfade;
  for (AudioInput& input : inputs)
    s.parts.push_back(State::Part{std::move(input), {}, nullptr, false, false});
  for (State::Part& part : s.parts) {
    if (part.input.stream != nullptr) s.OpenDecoder(part);
  }
  s.OpenEncoder();
}

AudioMix::~AudioMix() = default;

void AudioMix::WriteUntil(std::int64_t from, std::int64_t until) {
  State& s = *state_;
  if (!s.graph) s.BuildGraph(from);
  if (s.crossfade) s.ReadAhead(until);
  for (State::Part& part : s.parts) s.Feed(part);
  s.Encode(until, false);
}

void AudioMix::Finish(std::int64_t end) {
  State& s = *state_;
  if (!s.graph) return;
  // The crossfade takes its whole length from both inputs, however soon the
  // frames end.
  const std::int64_t crossfadeEnd = s.crossfade ? s.crossfade->at + s.crossfade->length : end;
  s.Close(s.parts[0], crossfadeEnd);
  for (std::size_t i = 1; i < s.parts.size(); ++i)
    s.ReadRest(s.parts[i], std::max(end, crossfadeEnd));
  // A crossfade stops at once when its second input ends, whatever it still
  // holds: the mixed samples are taken before that input ends.
  s.Encode(end, true);
  for (std::size_t i = 1; i < s.parts.size(); ++i) s.End(s.parts[i]);
  s.Encode(end, true);
  Check(avcodec_send_frame(s.encoder.get(), nullptr), s.path + ": cannot encode the audio");
  s.Drain();
}

}  // namespace Obrisk::Tools
