#include "photo/ImageCodec.h"

#include <turbojpeg.h>

#include <atomic>
#include <memory>

namespace ortelan {

namespace {

std::atomic<bool> running{false};

// libjpeg-turbo handles must not be shared between threads: each thread that
// encodes or decodes keeps its own. A decompressor that failed on a damaged
// file keeps that file's state and fails every later one: it is made anew.
struct Handle {
  tjhandle handle;
  const bool compress;
  explicit Handle(bool forCompress) : handle(Make(forCompress)), compress(forCompress) {}
  ~Handle() {
    if (handle) tjDestroy(handle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  static tjhandle Make(bool forCompress) {
    return forCompress ? tjInitCompress() : tjInitDecompress();
  }
  void Renew() {
    if (handle) tjDestroy(handle);
    handle = Make(compress);
  }
};

tjhandle Compressor() {
  thread_local Handle h(true);
  return h.handle;
}

Handle& DecompressorHandle() {
  thread_local Handle h(false);
  return h;
}

tjhandle Decompressor() { return DecompressorHandle().handle; }

}  // namespace

bool ImageCodec::Start() {
  running = Compressor() != nullptr && Decompressor() != nullptr;
  return running;
}

void ImageCodec::Shutdown() { running = false; }

bool ImageCodec::Running() { return running; }

bool ImageCodec::EncodeJpeg(const TPicture24& picture, std::vector<uint8_t>& jpeg) {
  jpeg.clear();
  tjhandle handle = running ? Compressor() : nullptr;
  if (!handle || picture.Width <= 0 || picture.Height <= 0) return false;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(handle, picture.Pixels.data(), picture.Width, 0, picture.Height, TJPF_RGB, &out,
                  &size, TJSAMP_420, kJpegQuality, TJFLAG_ACCURATEDCT) != 0) {
    tjFree(out);
    return false;
  }
  jpeg.assign(out, out + size);
  tjFree(out);
  return true;
}

bool ImageCodec::IsJpeg(std::span<const uint8_t> data) {
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool ImageCodec::DecodeJpeg(std::span<const uint8_t> data, TPicture24& picture) {
  return DecodeJpegAtLeast(data, 0, 0, picture);
}

namespace {

constexpr int kMaxJpegSide = 32768;

// The smallest scale the decoder offers that keeps at least the size asked
// for; the whole size when none is smaller.
tjscalingfactor SmallestScale(int width, int height, int wantWidth, int wantHeight) {
  tjscalingfactor best{1, 1};
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  for (int i = 0; factors && i < count; ++i) {
    const tjscalingfactor f = factors[i];
    const int w = TJSCALED(width, f), h = TJSCALED(height, f);
    if (f.num > f.denom || w < wantWidth || h < wantHeight) continue;
    if (w < TJSCALED(width, best)) best = f;
  }
  return best;
}

}  // namespace

bool ImageCodec::DecodeJpegAtLeast(std::span<const uint8_t> data, int wantWidth, int wantHeight,
                                   TPicture24& picture) {
  picture = TPicture24{};
  tjhandle handle = running ? Decompressor() : nullptr;
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (!handle || data.empty() ||
      tjDecompressHeader3(handle, data.data(), data.size(), &width, &height, &subsampling,
                          &colorspace) != 0 ||
      width <= 0 || height <= 0 || width > kMaxJpegSide || height > kMaxJpegSide) {
    if (handle) DecompressorHandle().Renew();
    return false;
  }
  const tjscalingfactor scale = wantWidth > 0 && wantHeight > 0
                                    ? SmallestScale(width, height, wantWidth, wantHeight)
                                    : tjscalingfactor{1, 1};
  const int scaledWidth = TJSCALED(width, scale), scaledHeight = TJSCALED(height, scale);
  picture.SetSize(scaledWidth, scaledHeight);
  if (tjDecompress2(handle, data.data(), data.size(), picture.Pixels.data(), scaledWidth, 0,
                    scaledHeight, TJPF_RGB, 0) != 0) {
    picture = TPicture24{};
    DecompressorHandle().Renew();
    return false;
  }
  return true;
}

}  // namespace ortelan
