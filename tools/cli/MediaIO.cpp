#include "MediaIO.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <limits>
#include <mutex>
#include <random>

#include <fmt/format.h>
#include <glm/gtc/packing.hpp>

#include "AudioMix.h"
#include "AvPointers.h"

namespace Obrisk::Tools {
namespace {

// The libraries' last error message, for the MediaError that reports it.
std::mutex messageMutex;
std::string lastMessage;

void RememberMessage(void*, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_ERROR) return;
  constexpr std::size_t kLineSize = 1024;  // longer messages are cut
  std::array<char, kLineSize> line{};
  std::vsnprintf(line.data(), line.size(), format, arguments);
  std::string text = line.data();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const std::lock_guard lock(messageMutex);
  lastMessage = std::move(text);
}

// FFmpeg prints nothing; its errors come back as MediaError.
void QuietLibraries() {
  static const bool quiet = [] {
    av_log_set_callback(RememberMessage);
    return true;
  }();
  (void)quiet;
}

void ForgetMessage() {
  const std::lock_guard lock(messageMutex);
  lastMessage.clear();
}

std::string AvError(int code) {
  std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
  av_strerror(code, text.data(), text.size());
  return text.data();
}

// What the libraries said about a failure, else the error code's text.
std::string FailureText(int code) {
  const std::lock_guard lock(messageMutex);
  if (!lastMessage.empty()) return lastMessage;
  return AvError(code);
}

std::string Extension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

struct FormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct ScalerFreer {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

}  // namespace

bool IsStillImagePath(const std::string& path) {
  static const std::array<std::string, 6> kStill{".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp"};
  return std::find(kStill.begin(), kStill.end(), Extension(path)) != kStill.end();
}

void CheckFrameSize(int width, int height, const std::string& what) {
  if (width <= 0 || height <= 0) return;
  if (width > kMaxFrameSide || height > kMaxFrameSide ||
      std::int64_t{width} * height > kMaxFramePixels) {
    throw MediaError(
        fmt::format("{}: {}x{} is larger than the tool allows ({} pixels a side, {} pixels in all)",
                    what, width, height, kMaxFrameSide, kMaxFramePixels));
  }
}

namespace {

// H.273 code points the tool picks by itself.
constexpr std::uint32_t kMatrixBt709 = AVCOL_SPC_BT709;
constexpr std::uint32_t kMatrixBt601 = AVCOL_SPC_SMPTE170M;
// HD starts at 1280x720; smaller pictures are taken as standard definition.
constexpr int kHdWidth = 1280;
constexpr int kHdHeight = 720;
constexpr int kSwsUnity = 1 << 16;  // brightness 0, contrast and saturation 1 in swscale's units

bool IsHd(int width, int height) {
  return width >= kHdWidth || height >= kHdHeight;
}

std::uint32_t DefaultMatrix(int width, int height) {
  return IsHd(width, height) ? kMatrixBt709 : kMatrixBt601;
}

bool IsYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  return description != nullptr && (description->flags & AV_PIX_FMT_FLAG_RGB) == 0 &&
         description->nb_components >= 3;
}

bool HasAlpha(AVPixelFormat format) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  return description != nullptr && (description->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
}

// The full-range ("JPEG") variants of the YCbCr formats.
bool IsFullRangeFormat(AVPixelFormat format) {
  const char* name = av_get_pix_fmt_name(format);
  return name != nullptr && std::string_view(name).starts_with("yuvj");
}

// Bits of the format's first component (8 for 8-bit formats).
int Depth(AVPixelFormat format) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  return description != nullptr ? description->comp[0].depth : 0;
}

constexpr int kByteDepth = 8;
constexpr std::size_t kUnorm16Values = 65536;
constexpr float kUnorm16Max = 65535.0F;

// The 16-bit float of each 16-bit normalised value (0 .. 65535 for 0 .. 1).
const std::vector<std::uint16_t>& HalfOfUnorm16() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> values(kUnorm16Values);
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] = glm::packHalf1x16(static_cast<float>(i) / kUnorm16Max);
    }
    return values;
  }();
  return table;
}

// The 16-bit normalised value of each 16-bit float, clamped to 0 .. 1.
const std::vector<std::uint16_t>& Unorm16OfHalf() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> values(kUnorm16Values);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const float value = glm::unpackHalf1x16(static_cast<std::uint16_t>(i));
      const float clamped = value > 0.0F ? std::min(value, 1.0F) : 0.0F;  // NaN as 0
      values[i] = static_cast<std::uint16_t>(std::lround(clamped * kUnorm16Max));
    }
    return values;
  }();
  return table;
}

// A colour description field, unless it is missing or reserved.
std::optional<std::uint32_t> Named(int value, int unspecified, int reserved) {
  if (value <= 0 || value == unspecified || value == reserved) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// Only local files: the file protocol, with the name as it is (no pattern).
std::string LocalUrl(const std::string& path) {
  return "file:" + path;
}

}  // namespace

// --- reading --------------------------------------------------------------

struct MediaReader::State {
  std::unique_ptr<AVFormatContext, FormatCloser> format;
  CodecPtr codec;
  std::unique_ptr<SwsContext, ScalerFreer> scaler;
  FramePtr decoded{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  std::string path;
  int stream = -1;
  int audioStream = -1;
  bool deep = false;                   // more than 8 bits a component read as 16-bit float
  std::vector<std::uint16_t> unorm16;  // a deep picture on its way to 16-bit float
  // The kept audio passes from the thread that reads frames to the one
  // that writes them.
  std::mutex audioMutex;
  bool keepAudio = false;              // a writer copies or mixes the audio
  std::deque<PacketPtr> audioPackets;  // met while reading frames, in order
  AVRational timeBase{1, 25};
  std::int64_t frameDuration = 40000;
  std::int64_t nextStart = 0;
  bool draining = false;
  bool finished = false;

  void Keep(const AVPacket& read) {
    if (read.stream_index != audioStream) return;
    const std::lock_guard lock(audioMutex);
    if (keepAudio) audioPackets.emplace_back(av_packet_clone(&read));
  }

  bool KeepsAudio() {
    const std::lock_guard lock(audioMutex);
    return keepAudio;
  }

  void StopKeeping() {
    const std::lock_guard lock(audioMutex);
    keepAudio = false;
    audioPackets.clear();
  }

  std::int64_t AudioTime(const AVPacket& audio) const {
    return av_rescale_q(audio.pts, format->streams[audioStream]->time_base, kMicroseconds);
  }

  // True when the kept audio reaches `until` (microseconds).
  bool KeptUntil(std::int64_t until) {
    const std::lock_guard lock(audioMutex);
    return !audioPackets.empty() && audioPackets.back()->pts != AV_NOPTS_VALUE &&
           AudioTime(*audioPackets.back()) >= until;
  }

  // Reads on (frames no longer wanted) until the audio reaches `until` (microseconds).
  void ReadAudioUntil(std::int64_t until) {
    while (!KeptUntil(until)) {
      if (av_read_frame(format.get(), packet.get()) < 0) return;
      Keep(*packet);
      av_packet_unref(packet.get());
    }
  }

  // The first kept packet if it starts before `until` (microseconds);
  // packets without a time are dropped.
  PacketPtr TakeAudio(std::int64_t until) {
    const std::lock_guard lock(audioMutex);
    while (!audioPackets.empty()) {
      if (audioPackets.front()->pts == AV_NOPTS_VALUE) {
        audioPackets.pop_front();
        continue;
      }
      if (AudioTime(*audioPackets.front()) >= until) return nullptr;
      PacketPtr next = std::move(audioPackets.front());
      audioPackets.pop_front();
      return next;
    }
    return nullptr;
  }

  // Converts the decoded picture into `out` (8-bit or 16-bit float RGBA) by
  // its matrix and range.
  void Convert(const AVFrame& frame, Proc::DataVideoMemory& out) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const bool half = out.GetPixelFormat() == Proc::PixFmt::RGBA_HALF;
    scaler.reset(sws_getCachedContext(
        scaler.release(), frame.width, frame.height, format, frame.width, frame.height,
        half ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler) throw MediaError("cannot convert the decoded pictures");
    if (IsYuv(format)) {
      const std::uint32_t matrix =
          Named(frame.colorspace, AVCOL_SPC_UNSPECIFIED, AVCOL_SPC_RESERVED)
              .value_or(DefaultMatrix(frame.width, frame.height));
      const int fullRange = frame.color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(format);
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(static_cast<int>(matrix)),
                               fullRange, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, kSwsUnity,
                               kSwsUnity);
    }
    const std::size_t values = out.Stride() / 2 * static_cast<std::size_t>(frame.height);
    if (half) unorm16.resize(values);
    std::uint8_t* planes[4] = {
        half ? reinterpret_cast<std::uint8_t*>(unorm16.data()) : out.Pixels(), nullptr, nullptr,
        nullptr};
    int strides[4] = {static_cast<int>(out.Stride()), 0, 0, 0};
    sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (!half) return;
    const std::vector<std::uint16_t>& toHalf = HalfOfUnorm16();
    auto* target = reinterpret_cast<std::uint16_t*>(out.Pixels());
    for (std::size_t i = 0; i < values; ++i) target[i] = toHalf[unorm16[i]];
  }
};

MediaReader::MediaReader(const std::string& path) : state_(std::make_unique<State>()) {
  QuietLibraries();
  if (!std::filesystem::is_regular_file(path)) {
    throw MediaError(
        fmt::format("{}: {}", path, std::filesystem::exists(path) ? "not a file" : "no such file"));
  }
  state_->path = path;
  AVFormatContext* format = nullptr;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "pattern_type", "none", 0);
  const int opened = avformat_open_input(&format, LocalUrl(path).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) throw MediaError(fmt::format("{}: cannot open: {}", path, AvError(opened)));
  state_->format.reset(format);
  std::vector<AVDictionary*> streamOptions(format->nb_streams, nullptr);
  for (auto& streamOption : streamOptions) {
    av_dict_set_int(&streamOption, "max_pixels", kMaxFramePixels, 0);
  }
  const int found = avformat_find_stream_info(format, streamOptions.data());
  for (auto& streamOption : streamOptions) av_dict_free(&streamOption);
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters& parameters = *format->streams[i]->codecpar;
    if (parameters.codec_type == AVMEDIA_TYPE_VIDEO) {
      CheckFrameSize(parameters.width, parameters.height, path);
    }
  }
  if (found < 0) throw MediaError(fmt::format("{}: cannot read: {}", path, AvError(found)));
  const AVCodec* decoder = nullptr;
  state_->stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (state_->stream < 0 || decoder == nullptr) {
    throw MediaError(fmt::format("{}: holds no picture or video", path));
  }
  AVStream* stream = format->streams[state_->stream];
  // VP9 keeps alpha in side data that only libvpx's decoder reads.
  const AVDictionaryEntry* alphaMode = av_dict_get(stream->metadata, "alpha_mode", nullptr, 0);
  if (stream->codecpar->codec_id == AV_CODEC_ID_VP9 && alphaMode != nullptr &&
      std::string_view(alphaMode->value) == "1") {
    if (const AVCodec* withAlpha = avcodec_find_decoder_by_name("libvpx-vp9")) decoder = withAlpha;
  }
  state_->codec.reset(avcodec_alloc_context3(decoder));
  avcodec_parameters_to_context(state_->codec.get(), stream->codecpar);
  state_->codec->max_pixels = kMaxFramePixels;
  if (int error = avcodec_open2(state_->codec.get(), decoder, nullptr); error < 0) {
    throw MediaError(fmt::format("{}: cannot decode: {}", path, AvError(error)));
  }
  state_->timeBase = stream->time_base;
  state_->audioStream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  const AVRational rate = av_guess_frame_rate(format, stream, nullptr);
  if (rate.num > 0 && rate.den > 0) frameRate_ = Rational{rate.num, rate.den};
  state_->frameDuration =
      av_rescale_q(1, AVRational{frameRate_.den, frameRate_.num}, kMicroseconds);
  still_ = IsStillImagePath(path) || stream->nb_frames == 1;
}

MediaReader::~MediaReader() = default;

int MediaReader::Width() const {
  return state_->codec->width;
}
int MediaReader::Height() const {
  return state_->codec->height;
}

void MediaReader::ReadDeep() {
  state_->deep = true;
}

bool IsDeepPixelFormat(const std::string& name) {
  return !name.empty() && Depth(av_get_pix_fmt(name.c_str())) > kByteDepth;
}

void MediaReader::KeepAudio() {
  const std::lock_guard lock(state_->audioMutex);
  state_->keepAudio = state_->audioStream >= 0;
}

std::optional<std::uint32_t> MediaReader::Matrix() const {
  if (!IsYuv(state_->codec->pix_fmt)) return std::nullopt;
  return Named(state_->codec->colorspace, AVCOL_SPC_UNSPECIFIED, AVCOL_SPC_RESERVED);
}

std::optional<std::int64_t> MediaReader::FrameCount() const {
  const AVStream& stream = *state_->format->streams[state_->stream];
  if (stream.nb_frames > 0) return stream.nb_frames;
  const AVRational frameTime{frameRate_.den, frameRate_.num};
  if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
    return av_rescale_q(stream.duration, stream.time_base, frameTime);
  }
  if (state_->format->duration != AV_NOPTS_VALUE && state_->format->duration > 0) {
    return av_rescale_q(state_->format->duration, AV_TIME_BASE_Q, frameTime);
  }
  return std::nullopt;
}

Ptr<Proc::DataVideoMemory> MediaReader::Next() {
  State& s = *state_;
  while (!s.finished) {
    const int received = avcodec_receive_frame(s.codec.get(), s.decoded.get());
    if (received == 0) {
      AVFrame& frame = *s.decoded;
      CheckFrameSize(frame.width, frame.height, "a decoded frame");
      Proc::FrameInfo info{frame.width, frame.height, 1, 1};
      if (frame.sample_aspect_ratio.num > 0) {
        info.pixelAspectNum = frame.sample_aspect_ratio.num;
        info.pixelAspectDen = frame.sample_aspect_ratio.den;
      }
      Proc::ColorSpace colorSpace;  // BT.709 unless the source names another
      colorSpace.primaries = Named(frame.color_primaries, AVCOL_PRI_UNSPECIFIED, AVCOL_PRI_RESERVED)
                                 .value_or(colorSpace.primaries);
      colorSpace.transfer = Named(frame.color_trc, AVCOL_TRC_UNSPECIFIED, AVCOL_TRC_RESERVED)
                                .value_or(colorSpace.transfer);
      const auto decodedFormat = static_cast<AVPixelFormat>(frame.format);
      const Proc::PixFmt format = s.deep && Depth(decodedFormat) > kByteDepth
                                      ? Proc::PixFmt::RGBA_HALF
                                  : HasAlpha(decodedFormat) ? Proc::kPixFmtAlpha
                                                            : Proc::kPixFmtOpaque;
      auto out = MakeRef<Proc::DataVideoMemory>(colorSpace, format, info);
      s.Convert(frame, *out);
      const std::int64_t timestamp = frame.best_effort_timestamp;
      const std::int64_t start = timestamp == AV_NOPTS_VALUE
                                     ? s.nextStart
                                     : av_rescale_q(timestamp, s.timeBase, kMicroseconds);
      out->SetStartTime(start);
      out->SetDuration(s.frameDuration);
      s.nextStart = start + s.frameDuration;
      av_frame_unref(s.decoded.get());
      return out;
    }
    if (received == AVERROR_EOF) {
      s.finished = true;
      break;
    }
    if (received != AVERROR(EAGAIN)) throw MediaError("decoding failed: " + AvError(received));
    if (s.draining) continue;
    const int read = av_read_frame(s.format.get(), s.packet.get());
    if (read < 0) {
      avcodec_send_packet(s.codec.get(), nullptr);
      s.draining = true;
      continue;
    }
    if (s.packet->stream_index == s.stream) {
      // Damaged packets are skipped as players do; anything else (a picture
      // past the size limit) ends decoding.
      ForgetMessage();
      const int sent = avcodec_send_packet(s.codec.get(), s.packet.get());
      if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR(EAGAIN)) {
        throw MediaError(fmt::format("{}: cannot decode: {}", s.path, FailureText(sent)));
      }
    }
    s.Keep(*s.packet);
    av_packet_unref(s.packet.get());
  }
  return nullptr;
}

// --- writing --------------------------------------------------------------

namespace {

// A file's audio read by a demuxer of its own, apart from its frames: a
// join's crossfade needs its inputs' audio from further on than their frames
// have been read, and reading on in the frames' demuxer would drop frames.
class AudioReader {
 public:
  AudioReader(const std::string& path, int stream) {
    AVFormatContext* opened = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "pattern_type", "none", 0);
    const int error = avformat_open_input(&opened, LocalUrl(path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (error < 0) throw MediaError(fmt::format("{}: cannot open: {}", path, AvError(error)));
    format_.reset(opened);
    if (stream < 0 || static_cast<unsigned>(stream) >= opened->nb_streams) {
      throw MediaError(fmt::format("{}: cannot read its audio", path));
    }
    // The demuxer skips everything but the audio.
    for (unsigned i = 0; i < opened->nb_streams; ++i) {
      if (static_cast<int>(i) != stream) opened->streams[i]->discard = AVDISCARD_ALL;
    }
    const int found = avformat_find_stream_info(opened, nullptr);
    if (found < 0) throw MediaError(fmt::format("{}: cannot read: {}", path, AvError(found)));
    stream_ = opened->streams[stream];
  }

  const AVStream* Stream() const { return stream_; }

  // Reads on until the audio read reaches `until` (microseconds, the file's
  // time) or the file ends; packets without a time are left out.
  void ReadUntil(std::int64_t until) {
    while (!ended_ && readTo_ < until) {
      if (av_read_frame(format_.get(), packet_.get()) < 0) {
        ended_ = true;
        return;
      }
      if (packet_->stream_index == stream_->index && packet_->pts != AV_NOPTS_VALUE) {
        readTo_ = av_rescale_q(packet_->pts, stream_->time_base, kMicroseconds);
        packets_.emplace_back(av_packet_clone(packet_.get()));
      }
      av_packet_unref(packet_.get());
    }
  }

  // The next packet read, none while none is waiting.
  PacketPtr Take() {
    if (packets_.empty()) return nullptr;
    PacketPtr next = std::move(packets_.front());
    packets_.pop_front();
    return next;
  }

  // Drops what was read and reads no more: the audio is no longer needed.
  void Stop() {
    packets_.clear();
    ended_ = true;
  }

 private:
  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  const AVStream* stream_ = nullptr;
  PacketPtr packet_{av_packet_alloc()};
  std::deque<PacketPtr> packets_;
  std::int64_t readTo_ = std::numeric_limits<std::int64_t>::min();
  bool ended_ = false;
};

}  // namespace

struct MediaWriter::State {
  std::string path;
  std::string partialPath;
  AVFormatContext* format = nullptr;
  CodecPtr codec;
  std::unique_ptr<SwsContext, ScalerFreer> scaler;
  FramePtr frame{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  AVStream* stream = nullptr;
  bool keepsAlpha = false;
  int matrix = -1;  // the YCbCr matrix encoded with, -1 for RGB formats
  std::array<std::uint8_t, 3> background{};
  std::vector<std::uint8_t> flattened;
  std::vector<std::uint16_t> unorm16;  // a 16-bit float frame on its way to the encoder
  bool closed = false;
  std::int64_t lastPts = AV_NOPTS_VALUE;
  // The copied audio: its source, stream, and the time span of the frames written.
  MediaReader::State* audioSource = nullptr;
  AVStream* audio = nullptr;
  std::vector<std::unique_ptr<AudioReader>> joinedAudio;  // a join's inputs, read by the mix
  std::unique_ptr<AudioMix> mix;                          // re-encoded audio instead
  std::int64_t firstStart = AV_NOPTS_VALUE;
  std::int64_t lastEnd = 0;

  // The output's audio: a join's re-encoded with a crossfade; else the first
  // input's, copied where the container holds its codec, else re-encoded.
  void AddAudio(const EncodeOptions& options, const AVOutputFormat& container) {
    MediaReader::State* first =
        options.audioFrom != nullptr ? options.audioFrom->state_.get() : nullptr;
    if (options.audioJoin) {
      MediaReader* then = options.audioJoin->then;
      std::vector<AudioInput> inputs{
          ReadAudioApart(first),
          ReadAudioApart(then != nullptr ? then->state_.get() : nullptr, options.audioJoin->at)};
      if (inputs[0].stream == nullptr && inputs[1].stream == nullptr) return;
      mix = std::make_unique<AudioMix>(
          *format, std::move(inputs),
          AudioCrossfade{options.audioJoin->at, options.audioJoin->length}, path);
      return;
    }
    if (first == nullptr || !first->KeepsAudio()) return;
    const AVCodecParameters& parameters = *first->format->streams[first->audioStream]->codecpar;
    if (avformat_query_codec(&container, parameters.codec_id, FF_COMPLIANCE_NORMAL) != 1) {
      mix = std::make_unique<AudioMix>(*format, std::vector{KeptAudio(first)}, std::nullopt, path);
      return;
    }
    audio = avformat_new_stream(format, nullptr);
    avcodec_parameters_copy(audio->codecpar, &parameters);
    audio->codecpar->codec_tag = 0;
    audio->time_base = first->format->streams[first->audioStream]->time_base;
    audioSource = first;
  }

  // The audio a reader keeps, for a mix, at the output's times; silence
  // without a reader or audio. A joined clip starts at `joinedAt`.
  static AudioInput KeptAudio(MediaReader::State* source,
                              std::optional<std::int64_t> joinedAt = std::nullopt) {
    if (source == nullptr || !source->KeepsAudio()) return {};
    const std::int64_t start =
        source->format->start_time != AV_NOPTS_VALUE ? source->format->start_time : 0;
    return AudioInput{
        source->format->streams[source->audioStream],
        [source] { return source->TakeAudio(std::numeric_limits<std::int64_t>::max()); },
        [source](std::int64_t until) { source->ReadAudioUntil(until); },
        [source] { source->StopKeeping(); }, joinedAt ? *joinedAt - start : 0};
  }

  // A join's input's audio at the output's times, read ahead of its frames by
  // a reader of its own (the frames' reader keeps no audio from now on);
  // silence without a reader or audio. A joined clip starts at `joinedAt`.
  AudioInput ReadAudioApart(MediaReader::State* source,
                            std::optional<std::int64_t> joinedAt = std::nullopt) {
    if (source == nullptr || !source->KeepsAudio()) return {};
    source->StopKeeping();
    AudioReader* reader =
        joinedAudio.emplace_back(std::make_unique<AudioReader>(source->path, source->audioStream))
            .get();
    const std::int64_t start =
        source->format->start_time != AV_NOPTS_VALUE ? source->format->start_time : 0;
    return AudioInput{reader->Stream(), [reader] { return reader->Take(); },
                      [reader](std::int64_t until) { reader->ReadUntil(until); },
                      [reader] { reader->Stop(); }, joinedAt ? *joinedAt - start : 0};
  }

  // Writes the source's audio packets that start before `until`, leaving out
  // those that end before the first frame.
  void CopyAudio(std::int64_t until) {
    if (audio == nullptr) return;
    const AVRational sourceBase = audioSource->format->streams[audioSource->audioStream]->time_base;
    while (PacketPtr owned = audioSource->TakeAudio(until)) {
      const std::int64_t start = audioSource->AudioTime(*owned);
      if (start + av_rescale_q(owned->duration, sourceBase, kMicroseconds) <= firstStart) continue;
      av_packet_rescale_ts(owned.get(), sourceBase, audio->time_base);
      owned->stream_index = audio->index;
      if (int error = av_interleaved_write_frame(format, owned.get()); error < 0) {
        throw MediaError(fmt::format("{}: cannot write the audio: {}", path, AvError(error)));
      }
    }
  }

  void Drain(bool flush) {
    if (flush) avcodec_send_frame(codec.get(), nullptr);
    for (;;) {
      const int result = avcodec_receive_packet(codec.get(), packet.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
      if (result < 0) throw MediaError("encoding failed: " + AvError(result));
      av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (int error = av_interleaved_write_frame(format, packet.get()); error < 0) {
        throw MediaError(fmt::format("{}: cannot write: {}", path, AvError(error)));
      }
    }
  }

  // The frame's pixels over the background colour (straight alpha), opaque.
  const std::uint8_t* Flatten(const Proc::DataVideoMemory& input) {
    constexpr int kOpaque = 255;
    const std::size_t size = input.Stride() * static_cast<std::size_t>(input.GetFrameInfo().height);
    flattened.resize(size);
    const std::uint8_t* source = input.Pixels();
    const bool bgra = input.GetPixelFormat() == Proc::PixFmt::BGRA;
    for (std::size_t i = 0; i < size; i += 4) {
      const int alpha = source[i + 3];
      for (int c = 0; c < 3; ++c) {
        const int back = background[static_cast<std::size_t>(bgra ? 2 - c : c)];
        flattened[i + c] = static_cast<std::uint8_t>(
            (source[i + c] * alpha + back * (kOpaque - alpha) + kOpaque / 2) / kOpaque);
      }
      flattened[i + 3] = kOpaque;
    }
    return flattened.data();
  }

  // A 16-bit float frame as 16-bit normalised RGBA, over the background
  // colour (straight alpha) where the format keeps no alpha.
  const std::uint8_t* Unorm16(const Proc::DataVideoMemory& input) {
    constexpr std::uint64_t kOpaque = 65535;
    constexpr int kByteToUnorm16 = 257;  // 255 * 257 = 65535
    const std::size_t values =
        input.Stride() / 2 * static_cast<std::size_t>(input.GetFrameInfo().height);
    unorm16.resize(values);
    const auto* source = reinterpret_cast<const std::uint16_t*>(input.Pixels());
    const std::vector<std::uint16_t>& toUnorm = Unorm16OfHalf();
    if (keepsAlpha) {
      for (std::size_t i = 0; i < values; ++i) unorm16[i] = toUnorm[source[i]];
      return reinterpret_cast<const std::uint8_t*>(unorm16.data());
    }
    for (std::size_t i = 0; i < values; i += 4) {
      const std::uint64_t alpha = toUnorm[source[i + 3]];
      for (std::size_t c = 0; c < 3; ++c) {
        const std::uint64_t back = std::uint64_t{background[c]} * kByteToUnorm16;
        unorm16[i + c] = static_cast<std::uint16_t>(
            (toUnorm[source[i + c]] * alpha + back * (kOpaque - alpha) + kOpaque / 2) / kOpaque);
      }
      unorm16[i + 3] = kOpaque;
    }
    return reinterpret_cast<const std::uint8_t*>(unorm16.data());
  }

  // The frame's pixels as the encoder's input: 8-bit RGBA or BGRA, or 16-bit
  // RGBA for 16-bit float frames; flattened where the format keeps no alpha.
  const std::uint8_t* Pixels(const Proc::DataVideoMemory& input) {
    if (input.GetPixelFormat() == Proc::PixFmt::RGBA_HALF) return Unorm16(input);
    const bool flatten = !keepsAlpha && input.GetPixelFormat() != Proc::PixFmt::RGBX;
    return flatten ? Flatten(input) : input.Pixels();
  }

  // Converts the pixels of the frame's layout into the encoder's format, by
  // the matrix and range it is tagged with.
  void Convert(const Proc::DataVideoMemory& input, const std::uint8_t* pixels) {
    const auto& info = input.GetFrameInfo();
    const Proc::PixFmt layout = input.GetPixelFormat();
    const AVPixelFormat source = layout == Proc::PixFmt::RGBA_HALF ? AV_PIX_FMT_RGBA64
                                 : layout == Proc::PixFmt::BGRA    ? AV_PIX_FMT_BGRA
                                                                   : AV_PIX_FMT_RGBA;
    scaler.reset(sws_getCachedContext(scaler.release(), info.width, info.height, source,
                                      codec->width, codec->height, codec->pix_fmt, SWS_BICUBIC,
                                      nullptr, nullptr, nullptr));
    if (!scaler)
      throw MediaError(fmt::format("{}: cannot convert to {}", path, codec->codec->name));
    if (matrix >= 0) {
      const int fullRange = codec->color_range == AVCOL_RANGE_JPEG;
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(matrix), 1,
                               sws_getCoefficients(matrix), fullRange, 0, kSwsUnity, kSwsUnity);
    }
    const std::uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(input.Stride()), 0, 0, 0};
    sws_scale(scaler.get(), planes, strides, 0, info.height, frame->data, frame->linesize);
  }

  ~State() {
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    if (!closed && !partialPath.empty()) std::remove(partialPath.c_str());
  }
};

namespace {

// A hidden name beside `target` that no other run picks: two runs writing one
// output never share their temporary file.
std::string TemporaryPath(const std::filesystem::path& target) {
  std::random_device device;
  const std::uint64_t random = (std::uint64_t{device()} << 32) | device();
  return (target.parent_path() /
          fmt::format(".{}.{:016x}.partial", target.filename().string(), random))
      .string();
}

const AVCodec* FindEncoder(const AVOutputFormat& container, const std::string& path, bool still,
                           const std::string& name) {
  if (name.empty()) {
    const AVCodecID id =
        still ? av_guess_codec(&container, nullptr, path.c_str(), nullptr, AVMEDIA_TYPE_VIDEO)
              : container.video_codec;
    const AVCodec* encoder = avcodec_find_encoder(id);
    if (encoder == nullptr) throw MediaError(fmt::format("{}: no encoder for this format", path));
    return encoder;
  }
  const AVCodec* encoder = avcodec_find_encoder_by_name(name.c_str());
  if (encoder == nullptr || encoder->type != AVMEDIA_TYPE_VIDEO) {
    throw MediaError(fmt::format(
        "unknown video codec '{}' (e.g. libx264, libvpx-vp9, prores_ks, ffv1, png)", name));
  }
  if (avformat_query_codec(&container, encoder->id, FF_COMPLIANCE_NORMAL) == 0) {
    throw MediaError(fmt::format("{}: this format cannot hold {}", path, name));
  }
  return encoder;
}

bool Offers(const AVCodec& codec, AVPixelFormat format) {
  if (codec.pix_fmts == nullptr) return true;
  for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    if (*f == format) return true;
  }
  return false;
}

// The pixel format to encode in: the one asked for, else one that keeps
// alpha when the frames have it (RGBA, ProRes 4444, VP9 with alpha), else
// RGB where the encoder takes it, else 4:2:0 or the encoder's first format.
AVPixelFormat EncoderFormat(const AVCodec& codec, bool alpha, const std::string& name) {
  if (!name.empty()) {
    const AVPixelFormat format = av_get_pix_fmt(name.c_str());
    if (format == AV_PIX_FMT_NONE) throw MediaError(fmt::format("unknown pixel format '{}'", name));
    if (!Offers(codec, format)) {
      std::vector<std::string> offered;
      for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        offered.emplace_back(av_get_pix_fmt_name(*f));
      }
      throw MediaError(fmt::format("{} does not encode {} (it takes {})", codec.name, name,
                                   fmt::join(offered, ", ")));
    }
    return format;
  }
  if (codec.pix_fmts == nullptr) return AV_PIX_FMT_YUV420P;
  const std::vector<AVPixelFormat> withAlpha{AV_PIX_FMT_RGBA, AV_PIX_FMT_BGRA, AV_PIX_FMT_YUVA420P,
                                             AV_PIX_FMT_YUVA444P10LE};
  const std::vector<AVPixelFormat> opaque{AV_PIX_FMT_RGB24, AV_PIX_FMT_YUV420P,
                                          AV_PIX_FMT_YUV422P10LE};
  if (alpha) {
    for (AVPixelFormat wanted : withAlpha) {
      if (Offers(codec, wanted)) return wanted;
    }
  }
  for (AVPixelFormat wanted : opaque) {
    if (Offers(codec, wanted)) return wanted;
  }
  return codec.pix_fmts[0];
}

// Tags YCbCr output with the frames' primaries and transfer and the matrix
// and range it is encoded with; returns the matrix.
int TagColour(AVCodecContext& codec, const EncodeOptions& options) {
  const bool jpeg = codec.codec_id == AV_CODEC_ID_MJPEG;  // JFIF: BT.601, full range
  const std::uint32_t matrix =
      jpeg ? std::uint32_t{AVCOL_SPC_BT470BG}
           : options.matrix.value_or(DefaultMatrix(codec.width, codec.height));
  codec.colorspace = static_cast<AVColorSpace>(matrix);
  codec.color_primaries = static_cast<AVColorPrimaries>(options.colorSpace.primaries);
  codec.color_trc = static_cast<AVColorTransferCharacteristic>(options.colorSpace.transfer);
  codec.color_range =
      jpeg || IsFullRangeFormat(codec.pix_fmt) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  return static_cast<int>(matrix);
}

// The encoder's private options from EncodeOptions, with good defaults for
// the common encoders.
AVDictionary* EncoderOptions(const AVCodec& encoder, AVCodecContext& codec,
                             const EncodeOptions& options) {
  constexpr int kX264Crf = 18;  // visually close to lossless
  constexpr int kVp9Crf = 30;   // libvpx's recommendation for HD
  const std::string_view name = encoder.name;
  AVDictionary* dictionary = nullptr;
  std::optional<int> crf = options.crf;
  if (!crf && options.bitrate == 0) {
    if (name == "libx264") crf = kX264Crf;
    if (name == "libvpx-vp9") crf = kVp9Crf;
  }
  if (crf) av_dict_set_int(&dictionary, "crf", *crf, 0);
  if (!options.preset.empty()) av_dict_set(&dictionary, "preset", options.preset.c_str(), 0);
  if (options.bitrate > 0) {
    codec.bit_rate = options.bitrate;
  } else if (crf && name == "libvpx-vp9") {
    codec.bit_rate = 0;  // constant quality rather than quality capped at a rate
  }
  return dictionary;
}

}  // namespace

MediaWriter::MediaWriter(const std::string& path, int width, int height, Rational frameRate,
                         bool alpha, const EncodeOptions& options)
    : state_(std::make_unique<State>()) {
  QuietLibraries();
  State& s = *state_;
  s.path = path;
  s.background = options.background;
  const std::filesystem::path target(path);
  if (!target.parent_path().empty() && !std::filesystem::is_directory(target.parent_path())) {
    throw MediaError(
        fmt::format("{}: the folder {} does not exist", path, target.parent_path().string()));
  }
  CheckFrameSize(width, height, path);
  s.partialPath = TemporaryPath(target);
  const bool still = IsStillImagePath(path);
  const AVOutputFormat* container = still ? av_guess_format("image2", nullptr, nullptr)
                                          : av_guess_format(nullptr, path.c_str(), nullptr);
  if (container == nullptr) throw MediaError(fmt::format("{}: unknown output format", path));
  if (int error =
          avformat_alloc_output_context2(&s.format, container, nullptr, s.partialPath.c_str());
      error < 0) {
    throw MediaError(fmt::format("{}: cannot create: {}", path, AvError(error)));
  }
  const AVCodec* encoder = FindEncoder(*container, path, still, options.codec);
  s.codec.reset(avcodec_alloc_context3(encoder));
  s.codec->width = width;
  s.codec->height = height;
  s.codec->pix_fmt = EncoderFormat(*encoder, alpha, options.pixelFormat);
  s.keepsAlpha = HasAlpha(s.codec->pix_fmt);
  s.codec->time_base = AVRational{frameRate.den, frameRate.num};
  s.codec->framerate = AVRational{frameRate.num, frameRate.den};
  const int matrix = IsYuv(s.codec->pix_fmt) ? TagColour(*s.codec, options) : -1;
  if (s.format->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* encoderOptions = EncoderOptions(*encoder, *s.codec, options);
  const int opened = avcodec_open2(s.codec.get(), encoder, &encoderOptions);
  const AVDictionaryEntry* unused = av_dict_get(encoderOptions, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  // The options by their names on the command line.
  const std::string unusedName = unused == nullptr                           ? ""
                                 : std::string_view(unused->key) == "preset" ? "encoder-preset"
                                                                             : unused->key;
  av_dict_free(&encoderOptions);
  if (opened < 0) {
    throw MediaError(fmt::format("{}: cannot open the encoder: {}", path, AvError(opened)));
  }
  if (!unusedName.empty()) {
    throw MediaError(fmt::format("{}: {} takes no --{}", path, encoder->name, unusedName));
  }
  s.matrix = matrix;
  s.stream = avformat_new_stream(s.format, nullptr);
  avcodec_parameters_from_context(s.stream->codecpar, s.codec.get());
  s.stream->time_base = s.codec->time_base;
  s.stream->avg_frame_rate = s.codec->framerate;
  if (!still) s.AddAudio(options, *container);
  if (!(s.format->oformat->flags & AVFMT_NOFILE)) {
    AVDictionary* local = nullptr;
    av_dict_set(&local, "protocol_whitelist", "file", 0);
    const int error = avio_open2(&s.format->pb, LocalUrl(s.partialPath).c_str(), AVIO_FLAG_WRITE,
                                 nullptr, &local);
    av_dict_free(&local);
    if (error < 0) throw MediaError(fmt::format("{}: cannot write: {}", path, AvError(error)));
  }
  AVDictionary* muxerOptions = nullptr;
  if (still) av_dict_set(&muxerOptions, "update", "1", 0);
  // An animated WebP plays in a loop.
  if (std::string_view(container->name) == "webp") av_dict_set(&muxerOptions, "loop", "0", 0);
  const int written = avformat_write_header(s.format, &muxerOptions);
  av_dict_free(&muxerOptions);
  if (written < 0) throw MediaError(fmt::format("{}: cannot write: {}", path, AvError(written)));
  s.frame->format = s.codec->pix_fmt;
  s.frame->width = width;
  s.frame->height = height;
  if (av_frame_get_buffer(s.frame.get(), 0) < 0) throw std::bad_alloc();
}

MediaWriter::~MediaWriter() = default;

void MediaWriter::Write(const Proc::DataVideoMemory& input) {
  State& s = *state_;
  if (av_frame_make_writable(s.frame.get()) < 0) throw std::bad_alloc();
  const auto& info = input.GetFrameInfo();
  if (info.width != s.codec->width || info.height != s.codec->height) {
    throw MediaError(fmt::format("{}: frames change size from {}x{} to {}x{}", s.path,
                                 s.codec->width, s.codec->height, info.width, info.height));
  }
  s.Convert(input, s.Pixels(input));
  std::int64_t pts = av_rescale_q(input.GetStartTime(), kMicroseconds, s.codec->time_base);
  if (s.lastPts != AV_NOPTS_VALUE && pts <= s.lastPts) pts = s.lastPts + 1;
  s.lastPts = pts;
  s.frame->pts = pts;
  if (s.firstStart == AV_NOPTS_VALUE) s.firstStart = input.GetStartTime();
  s.lastEnd = input.GetStartTime() + input.GetDuration();
  if (int error = avcodec_send_frame(s.codec.get(), s.frame.get()); error < 0) {
    throw MediaError("encoding failed: " + AvError(error));
  }
  s.Drain(false);
  s.CopyAudio(s.lastEnd);
  if (s.mix) s.mix->WriteUntil(s.firstStart, s.lastEnd);
}

void MediaWriter::Close() {
  State& s = *state_;
  s.Drain(true);
  if (s.audio != nullptr) {
    s.audioSource->ReadAudioUntil(s.lastEnd);
    s.CopyAudio(s.lastEnd);
  }
  if (s.mix) s.mix->Finish(s.lastEnd);
  if (int error = av_write_trailer(s.format); error < 0) {
    throw MediaError(fmt::format("{}: cannot finish: {}", s.path, AvError(error)));
  }
  avio_closep(&s.format->pb);
  std::error_code failed;
  std::filesystem::rename(s.partialPath, s.path, failed);
  if (failed) throw MediaError(fmt::format("{}: cannot write: {}", s.path, failed.message()));
  s.closed = true;
}

}  // namespace Obrisk::Tools
