// Writing the checked photos and camera-roll files into the destination:
// thumbnails decoded to JPEG files, or the device's originals copied.

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "device/iPodDev.h"
#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "photo/ThumbFormats.h"
#include "photo/iPodPhoto.h"
#include "platform/FileStatus.h"
#include "util/Text.h"

namespace ortelan {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxErrors = 30;

bool IsUsableName(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

// One piece of work at a time on a thread of its own.
class BackgroundSlot {
 public:
  BackgroundSlot() : thread_([this] { Loop(); }) {}
  ~BackgroundSlot() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  // Hands over work; the slot must be free (Wait was called since the last one).
  void Start(std::function<int()> work) {
    {
      std::lock_guard lock(mutex_);
      work_ = std::move(work);
      done_ = false;
    }
    changed_.notify_all();
  }
  // Waits for the work handed over last and gives its result.
  int Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    return result_;
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return quit_ || work_; });
      if (quit_) return;
      std::function<int()> work = std::move(work_);
      work_ = nullptr;
      lock.unlock();
      const int result = work();
      lock.lock();
      result_ = result;
      done_ = true;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<int()> work_;
  bool done_ = true;
  bool quit_ = false;
  int result_ = 0;
  std::thread thread_;
};

}  // namespace

std::string TIpodPhotoDb::ExtractDevFileName(const std::string& fileName) {
  const size_t cut = fileName.find_last_of(":\\/");
  return cut == std::string::npos ? fileName : fileName.substr(cut + 1);
}

int32_t TIpodPhotoDb::ExportPhotos() {
  return ThumbInfo.IsIos ? CopyOriginals(true) : ExportPhotoDbPhotos();
}

TIpodPhotoDb::ExportFormat TIpodPhotoDb::ExportFormatOf() const {
  // The decoder of each coding; a format the table does not know is taken for
  // a 16-bit bitmap.
  const TThumbFormatInfo* format = FindThumbFormat(ExportInfo.FormatId);
  switch (format ? format->Coding : TPixelCoding::Rgb16) {
    case TPixelCoding::Uyvy:
      return {"Cannot open uYUV DB: ", &TIpodPhotoDb::DecodeUyvyRecord, false};
    case TPixelCoding::Nrgb:
      return {"Cannot open nRGB DB: ", &TIpodPhotoDb::DecodeNrgbRecord, true};
    case TPixelCoding::Yuv:
      return {"Cannot open Yuv DB: ", &TIpodPhotoDb::DecodeYuvRecord, false};
    case TPixelCoding::Jpeg:
      return {"Cannot open Jpg DB: ", &TIpodPhotoDb::ReadJpgRecord, false};
    default:
      return {"Cannot open RGB DB: ", &TIpodPhotoDb::DecodeRgbRecord, true};
  }
}

bool TIpodPhotoDb::DeviceGone() {
  if (Device->StillConnected()) return false;
  // Every photo after this one would fail alike: said once, then the end.
  if (!Log.ends_with(kDeviceGoneLine)) AddLog(kDeviceGoneLine);
  return true;
}

int32_t TIpodPhotoDb::ExportPhotoDbPhotos() {
  Cancelled = false;
  if (HasOriginals) return CopyOriginals(false);
  const ExportFormat format = ExportFormatOf();
  if (format.bmpHeader) BuildBmpHeader(false);
  return ExportThumbs(format.openError, format.decode);
}

// While the helper encodes and writes one photo, the export's thread reads
// and decodes the next. A photo is reported once its file is written, so the
// reports, the counts and the cancel point are those of a one-by-one export.
struct TIpodPhotoDb::ExportPipeline {
  explicit ExportPipeline(TIpodPhotoDb& owner) : db(owner) {}

  TIpodPhotoDb& db;
  BackgroundSlot helper;
  DecodedPhoto decoded[2];
  int slot = 0;
  std::string inFlight;  // name of the photo the helper works on
  int32_t written = 0;

  void Report(const std::string& name) {
    if (db.OnFileDone) db.OnFileDone(name);
  }
  // The photo to decode into next: not the one the helper works on.
  DecodedPhoto& Free() { return decoded[slot]; }
  // Hands the photo just decoded to the helper.
  void Hand(const std::string& name, const std::string& target) {
    DecodedPhoto* ready = &decoded[slot];  // the helper's until Wait returns
    helper.Start([this, ready, target] { return db.WriteDecoded(*ready, target); });
    inFlight = name;
    slot ^= 1;
  }
  void FinishInFlight() {
    if (inFlight.empty()) return;
    const int code = helper.Wait();
    if (code == 0) {
      ++written;
    } else if (code != EEXIST) {  // there already (the same id twice): left alone
      ++db.FailedCount;
    }
    Report(inFlight);
    inFlight.clear();
  }
};

int32_t TIpodPhotoDb::ExportThumbs(const char* prefix, RecordDecoder decode) {
  ExportPipeline pipe(*this);
  for (int32_t n = 1; n <= ExportInfo.FileCount && !Cancelled && !DeviceGone(); ++n) {
    const std::string store = std::to_string(ExportInfo.FormatId) + "_" + std::to_string(n);
    if (!Device->OpenThumbFile("F" + store, ExportInfo.ImageSize)) {
      AddLog(prefix + store);
      AddLog(Device->ErrorText());
      ++FailedCount;
      continue;
    }
    ExportFromStore(n, decode, pipe);
    pipe.FinishInFlight();
    Device->CloseThumbFile();
  }
  return pipe.written;
}

void TIpodPhotoDb::ExportFromStore(int32_t fileNo, RecordDecoder decode, ExportPipeline& pipe) {
  for (int i = 0; i < Photos.Count() && !Cancelled && !DeviceGone(); ++i) {
    const TPhotoItem& photo = Photos.GetItem(i);
    if (!photo.Checked || photo.FileIndex != fileNo) continue;
    const std::string name = std::to_string(photo.ImageId) + ".jpg";
    const std::string target = DestFolder + name;
    const bool there = platform::PathExists(target);
    const bool made = !there && (this->*decode)(photo, pipe.Free());
    Stream.Clear();
    pipe.FinishInFlight();
    if (Cancelled) break;
    if (!made) {
      if (!there) ++FailedCount;
      pipe.Report(name);
      continue;
    }
    pipe.Hand(name, target);
  }
}

int TIpodPhotoDb::WriteDecoded(DecodedPhoto& decoded, const std::string& target) {
  std::vector<uint8_t> encoded;
  if (decoded.ScaleTo640 && decoded.RowsMade < decoded.Picture.Height) {
    // The bottom rows are made here, beside the reading of the next photo.
    if (!DecodeUyvyScaled(decoded.Record, decoded.Picture, decoded.RowsMade,
                          decoded.Picture.Height)) {
      return EIO;
    }
  }
  if (!decoded.IsJpeg && !ImageCodec::EncodeJpeg(decoded.Picture, encoded)) {
    return EIO;
  }
  return Device->WriteNewPcFile(target, decoded.IsJpeg ? decoded.Jpeg : encoded);
}

bool TIpodPhotoDb::ReadRecord(const TPhotoItem& photo, int32_t size, bool withHeader) {
  Stream.Clear();
  if (withHeader) Stream.Write(BmpHeader, sizeof BmpHeader);
  return Device->ReadThumb(size, Stream, photo.ImageOffset);
}

bool TIpodPhotoDb::DecodeRgbRecord(const TPhotoItem& photo, DecodedPhoto& out) {
  out.IsJpeg = false;
  out.ScaleTo640 = false;
  return ReadRecord(photo, ExportInfo.ImageSize, true) && LoadBitmap16(Stream.View(), out.Picture);
}

bool TIpodPhotoDb::RecordFits(const TPhotoItem& photo, size_t buffer) {
  if (ExportInfo.ImageSize >= 0 && static_cast<size_t>(ExportInfo.ImageSize) <= buffer) return true;
  AddLog(std::to_string(photo.ImageId) + ".jpg: record of " + std::to_string(ExportInfo.ImageSize) +
         " bytes is larger than the format allows");
  return false;
}

bool TIpodPhotoDb::DecodeNrgbRecord(const TPhotoItem& photo, DecodedPhoto& out) {
  out.IsJpeg = false;
  out.ScaleTo640 = false;
  if (!RecordFits(photo, kNrgbBufferBytes) || !ReadRecord(photo, ExportInfo.ImageSize, false)) {
    return false;
  }
  std::vector<uint8_t> pixels(kNrgbBufferBytes, 0);
  std::copy(Stream.Bytes.begin(), Stream.Bytes.end(), pixels.begin());
  SwapBytePairs(pixels);
  Stream.Clear();
  Stream.Write(BmpHeader, sizeof BmpHeader);
  Stream.Write(pixels.data(), static_cast<size_t>(ExportInfo.ImageSize));
  return LoadBitmap16(Stream.View(), out.Picture);
}

bool TIpodPhotoDb::DecodeUyvyRecord(const TPhotoItem& photo, DecodedPhoto& out) {
  out.IsJpeg = false;
  out.ScaleTo640 = true;
  if (!ReadRecord(photo, static_cast<int32_t>(kUyvyRecordBytes), false)) return false;
  out.Picture.SetSize(640, 480);
  out.RowsMade = UyvyRowsBeforeEncoding();
  if (!DecodeUyvyScaled(Stream.View(), out.Picture, 0, out.RowsMade)) return false;
  if (out.RowsMade < out.Picture.Height)
    out.Record.assign(Stream.Bytes.begin(), Stream.Bytes.end());
  return true;
}

bool TIpodPhotoDb::DecodeYuvRecord(const TPhotoItem& photo, DecodedPhoto& out) {
  out.IsJpeg = false;
  out.ScaleTo640 = false;
  if (!RecordFits(photo, kYuvBufferBytes) || !ReadRecord(photo, ExportInfo.ImageSize, false)) {
    return false;
  }
  std::vector<uint8_t> planes(kYuvBufferBytes, 0);
  std::copy(Stream.Bytes.begin(), Stream.Bytes.end(), planes.begin());
  return DecodeYuv(planes, out.Picture);
}

bool TIpodPhotoDb::ReadJpgRecord(const TPhotoItem& photo, DecodedPhoto& out) {
  out.IsJpeg = true;
  out.ScaleTo640 = false;
  if (!ReadRecord(photo, static_cast<int32_t>(photo.ImageSize), false)) return false;
  out.Jpeg.assign(Stream.Bytes.begin(), Stream.Bytes.end());
  return true;
}

// Copies one device file to a free or matching name; 0, or the copy's code.
int TIpodPhotoDb::CopyWithRetry(const std::function<int()>& copy) {
  int code = copy();
  if (code == TIpodDevice::kRetryWorthyCode) {
    std::this_thread::sleep_for(RetryWait);
    code = copy();
  }
  return code;
}

bool TIpodPhotoDb::CountCopyError(const std::string& name, int code, int& errors,
                                  const char* abortLine) {
  ++errors;
  ++FailedCount;
  AddLog(name + ": Error " + std::to_string(code));
  if (errors <= kMaxErrors) return false;
  AddLog(abortLine);
  return true;
}

int32_t TIpodPhotoDb::CopyOriginals(bool ios) {
  Cancelled = false;
  std::unordered_set<std::string> claimed;
  int32_t written = 0;
  int errors = 0;
  for (int i = 0; i < Photos.Count() && !Cancelled && !DeviceGone(); ++i) {
    const TPhotoItem& photo = Photos.GetItem(i);
    if (!photo.Checked) continue;
    std::string name = ExtractDevFileName(photo.FileName);
    if (OnFileDone) OnFileDone(name);
    const std::string devPath = ios ? photo.FileName : ":Photos:" + photo.FileName;
    int code = 0;
    if (!IsUsableName(name)) {
      code = EINVAL;  // "", "." or "..": never a file name in the destination
      AddLog("[X] Refused file name: " + photo.FileName);
    } else {
      bool alreadyThere = false;
      for (int k = 1; platform::PathExists(DestFolder + name); ++k) {
        const int32_t size = Device->PcFileSize(DestFolder + name);
        // A name this run has written holds another photo of the same size.
        if (size != 0 && size == Device->DeviceFileSize(devPath) &&
            !claimed.contains(DestFolder + name)) {
          alreadyThere = true;
          break;
        }
        name = FitKeepingExtension(std::to_string(k) + "_" + name);
      }
      claimed.insert(DestFolder + name);
      if (alreadyThere) continue;
      code = CopyWithRetry([&] { return Device->CopyDeviceFile(devPath, DestFolder + name); });
    }
    if (code == 0) {
      ++written;
    } else if (CountCopyError(photo.FileName, code, errors, "Too many error, transfer abort.")) {
      break;
    }
  }
  return written;
}

int32_t TIpodPhotoDb::ExportCamPhotos() {
  Cancelled = false;
  int32_t written = 0;
  int errors = 0;
  for (int i = 0; i < CamPhotos.Count() && !Cancelled && !DeviceGone(); ++i) {
    const TCamPhotoItem& file = CamPhotos.GetItem(i);
    if (!file.Checked) continue;
    if (OnFileDone) OnFileDone(file.FileName);
    // The device's name, with no control character and within 255 bytes.
    const std::string name = CleanDeviceFileName(file.FileName);
    if (platform::PathExists(DestFolder + name)) continue;
    const int code = CopyWithRetry([&] {
      return Device->CopyCameraFile(CamPhotos.Folder + file.FileName, DestFolder + name);
    });
    if (code == 0) {
      ++written;
    } else if (CountCopyError(file.FileName, code, errors,
                              "Too many error, camera photos transfer abort.")) {
      break;
    }
  }
  return written;
}

void TIpodPhotoDb::GetDefaultFolder(std::string& folder) {
  Device->GetUserFolder(true, folder);
  if (!folder.empty()) folder += "iPod Photos/";
}

int64_t TIpodPhotoDb::NeededBytes() const {
  int64_t needed = Photos.CheckedSize;
  if (needed <= 0) {
    needed =
        static_cast<int64_t>(static_cast<uint32_t>(ExportInfo.ImageSize)) * Photos.CheckedCount;
    if (needed <= 0) needed = static_cast<int64_t>(Photos.CheckedCount) * 819200;
  }
  if (WithCamera) needed += static_cast<int64_t>(CamPhotos.CheckedCount) * 600000;
  return needed;
}

bool TIpodPhotoDb::PrepareDestination(std::string& folder) {
  if (!Device->CheckDestination(folder, NeededBytes())) return false;
  DestFolder = folder;
  return true;
}

}  // namespace ortelan
