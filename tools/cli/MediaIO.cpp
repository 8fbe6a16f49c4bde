#include "MediaIO.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include <fmt/format.h>

namespace Obrisk::Tools {
namespace {

constexpr AVRational kMicroseconds{1, 1000000};

// FFmpeg's own chatter stays quiet; errors come back as MediaError.
void QuietLibraries() {
  static const bool quiet = [] {
    av_log_set_level(AV_LOG_ERROR);
    return true;
  }();
  (void)quiet;
}

std::string AvError(int code) {
  std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
  av_strerror(code, text.data(), text.size());
  return text.data();
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
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

}  // namespace

bool IsStillImagePath(const std::string& path) {
  static const std::array<std::string, 6> kStill{".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp"};
  return std::find(kStill.begin(), kStill.end(), Extension(path)) != kStill.end();
}

// --- reading --------------------------------------------------------------

struct MediaReader::State {
  std::unique_ptr<AVFormatContext, FormatCloser> format;
  std::unique_ptr<AVCodecContext, CodecFreer> codec;
  std::unique_ptr<SwsContext, ScalerFreer> scaler;
  FramePtr decoded{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  int stream = -1;
  AVRational timeBase{1, 25};
  std::int64_t frameDuration = 40000;
  std::int64_t nextStart = 0;
  bool draining = false;
  bool finished = false;
};

MediaReader::MediaReader(const std::string& path) : state_(std::make_unique<State>()) {
  QuietLibraries();
  if (!std::filesystem::exists(path)) throw MediaError(fmt::format("{}: no such file", path));
  AVFormatContext* format = nullptr;
  if (int error = avformat_open_input(&format, path.c_str(), nullptr, nullptr); error < 0) {
    throw MediaError(fmt::format("{}: cannot open: {}", path, AvError(error)));
  }
  state_->format.reset(format);
  if (int error = avformat_find_stream_info(format, nullptr); error < 0) {
    throw MediaError(fmt::format("{}: cannot read: {}", path, AvError(error)));
  }
  const AVCodec* decoder = nullptr;
  state_->stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (state_->stream < 0 || decoder == nullptr) {
    throw MediaError(fmt::format("{}: holds no picture or video", path));
  }
  AVStream* stream = format->streams[state_->stream];
  state_->codec.reset(avcodec_alloc_context3(decoder));
  avcodec_parameters_to_context(state_->codec.get(), stream->codecpar);
  if (int error = avcodec_open2(state_->codec.get(), decoder, nullptr); error < 0) {
    throw MediaError(fmt::format("{}: cannot decode: {}", path, AvError(error)));
  }
  state_->timeBase = stream->time_base;
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

Ptr<Proc::DataVideoMemory> MediaReader::Next() {
  State& s = *state_;
  while (!s.finished) {
    const int received = avcodec_receive_frame(s.codec.get(), s.decoded.get());
    if (received == 0) {
      AVFrame& frame = *s.decoded;
      Proc::FrameInfo info{frame.width, frame.height, 1, 1};
      if (frame.sample_aspect_ratio.num > 0) {
        info.pixelAspectNum = frame.sample_aspect_ratio.num;
        info.pixelAspectDen = frame.sample_aspect_ratio.den;
      }
      auto out = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA, info);
      s.scaler.reset(sws_getCachedContext(
          s.scaler.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
          frame.width, frame.height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr));
      std::uint8_t* planes[4] = {out->Pixels(), nullptr, nullptr, nullptr};
      int strides[4] = {static_cast<int>(out->Stride()), 0, 0, 0};
      sws_scale(s.scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
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
    if (s.packet->stream_index == s.stream) avcodec_send_packet(s.codec.get(), s.packet.get());
    av_packet_unref(s.packet.get());
  }
  return nullptr;
}

// --- writing --------------------------------------------------------------

struct MediaWriter::State {
  std::string path;
  std::string partialPath;
  AVFormatContext* format = nullptr;
  std::unique_ptr<AVCodecContext, CodecFreer> codec;
  std::unique_ptr<SwsContext, ScalerFreer> scaler;
  FramePtr frame{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  AVStream* stream = nullptr;
  bool headerWritten = false;
  bool closed = false;
  std::int64_t lastPts = AV_NOPTS_VALUE;

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

  ~State() {
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    if (!closed && !partialPath.empty()) std::remove(partialPath.c_str());
  }
};

namespace {

// The pixel format to encode in: RGBA or RGB where the encoder takes it, else
// its first format (YUV 4:2:0 for most video codecs).
AVPixelFormat EncoderFormat(const AVCodec& codec, bool alpha) {
  const AVPixelFormat preferred[] = {alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24, AV_PIX_FMT_RGBA,
                                     AV_PIX_FMT_RGB24, AV_PIX_FMT_YUV420P};
  if (codec.pix_fmts == nullptr) return AV_PIX_FMT_YUV420P;
  for (AVPixelFormat wanted : preferred) {
    for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
      if (*f == wanted) return wanted;
    }
  }
  return codec.pix_fmts[0];
}

}  // namespace

MediaWriter::MediaWriter(const std::string& path, int width, int height, Rational frameRate,
                         bool alpha)
    : state_(std::make_unique<State>()) {
  QuietLibraries();
  State& s = *state_;
  s.path = path;
  const std::filesystem::path target(path);
  s.partialPath = (target.parent_path() / (".partial-" + target.filename().string())).string();
  const bool still = IsStillImagePath(path);
  const AVOutputFormat* container = still ? av_guess_format("image2", nullptr, nullptr)
                                          : av_guess_format(nullptr, path.c_str(), nullptr);
  if (container == nullptr) throw MediaError(fmt::format("{}: unknown output format", path));
  if (int error =
          avformat_alloc_output_context2(&s.format, container, nullptr, s.partialPath.c_str());
      error < 0) {
    throw MediaError(fmt::format("{}: cannot create: {}", path, AvError(error)));
  }
  const AVCodecID codecId =
      still ? av_guess_codec(container, nullptr, path.c_str(), nullptr, AVMEDIA_TYPE_VIDEO)
            : container->video_codec;
  const AVCodec* encoder = avcodec_find_encoder(codecId);
  if (encoder == nullptr) throw MediaError(fmt::format("{}: no encoder for this format", path));
  s.codec.reset(avcodec_alloc_context3(encoder));
  s.codec->width = width;
  s.codec->height = height;
  s.codec->pix_fmt = EncoderFormat(*encoder, alpha);
  s.codec->time_base = AVRational{frameRate.den, frameRate.num};
  s.codec->framerate = AVRational{frameRate.num, frameRate.den};
  if (s.format->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int error = avcodec_open2(s.codec.get(), encoder, nullptr); error < 0) {
    throw MediaError(fmt::format("{}: cannot open the encoder: {}", path, AvError(error)));
  }
  s.stream = avformat_new_stream(s.format, nullptr);
  avcodec_parameters_from_context(s.stream->codecpar, s.codec.get());
  s.stream->time_base = s.codec->time_base;
  s.stream->avg_frame_rate = s.codec->framerate;
  if (!(s.format->oformat->flags & AVFMT_NOFILE)) {
    if (int error = avio_open(&s.format->pb, s.partialPath.c_str(), AVIO_FLAG_WRITE); error < 0) {
      throw MediaError(fmt::format("{}: cannot write: {}", path, AvError(error)));
    }
  }
  AVDictionary* options = nullptr;
  if (still) av_dict_set(&options, "update", "1", 0);
  const int written = avformat_write_header(s.format, &options);
  av_dict_free(&options);
  if (written < 0) throw MediaError(fmt::format("{}: cannot write: {}", path, AvError(written)));
  s.headerWritten = true;
  s.frame->format = s.codec->pix_fmt;
  s.frame->width = width;
  s.frame->height = height;
  av_frame_get_buffer(s.frame.get(), 0);
}

MediaWriter::~MediaWriter() = default;

void MediaWriter::Write(const Proc::DataVideoMemory& input) {
  State& s = *state_;
  av_frame_make_writable(s.frame.get());
  const AVPixelFormat source =
      input.GetPixelFormat() == Proc::PixFmt::BGRA ? AV_PIX_FMT_BGRA : AV_PIX_FMT_RGBA;
  s.scaler.reset(sws_getCachedContext(
      s.scaler.release(), input.GetFrameInfo().width, input.GetFrameInfo().height, source,
      s.codec->width, s.codec->height, s.codec->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
  const std::uint8_t* planes[4] = {input.Pixels(), nullptr, nullptr, nullptr};
  const int strides[4] = {static_cast<int>(input.Stride()), 0, 0, 0};
  sws_scale(s.scaler.get(), planes, strides, 0, input.GetFrameInfo().height, s.frame->data,
            s.frame->linesize);
  std::int64_t pts = av_rescale_q(input.GetStartTime(), kMicroseconds, s.codec->time_base);
  if (s.lastPts != AV_NOPTS_VALUE && pts <= s.lastPts) pts = s.lastPts + 1;
  s.lastPts = pts;
  s.frame->pts = pts;
  if (int error = avcodec_send_frame(s.codec.get(), s.frame.get()); error < 0) {
    throw MediaError("encoding failed: " + AvError(error));
  }
  s.Drain(false);
}

void MediaWriter::Close() {
  State& s = *state_;
  s.Drain(true);
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
