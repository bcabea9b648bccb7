#pragma once

// The photo library of the connected device: photos, albums, camera-roll
// files, the thumbnail formats in use, and the library object that reads and
// exports them.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "photo/Picture.h"
#include "util/ByteReader.h"
#include "util/ChunkTags.h"
#include "util/MemoryStream.h"

namespace ortelan {

class TIpodDevice;
class TSQLiteDatabase;

// The thumbnail format named in code (a format id of the Photo Database);
// what is known of every format is in photo/ThumbFormats.h.
enum TThumbFormat : int32_t {
  tfIosDefault = 3011,  // the display format of an iOS device without a store named
};

// One kind of fixed-size record in the device's thumbnail store files.
struct TPhotoInfo {
  int32_t FormatId = 0;
  int32_t ImageSize = 0;  // bytes of one record (an iOS record's 28-byte trailer included)
  int32_t Width = 0;      // stored pixels per row, padding included
  int32_t Height = 0;     // stored rows, padding included
  int32_t FileCount = 0;  // store files "F<FormatId>_<n>.ithmb", n = 1..FileCount
  bool IsIos = false;     // an iOS store file named by FileName
  std::string FileName;
};

struct TPhotoItem {
  bool Checked = false;
  uint32_t ImageId = 0;
  int32_t FileIndex = 0;
  uint32_t ImageOffset = 0;
  uint32_t ImageSize = 0;
  uint32_t ThumbOffset = 0;
  std::string FileName;  // the full-size original on the device; empty when none
};

class TPhotoList {
 public:
  int32_t CheckedCount = 0;
  int64_t CheckedSize = 0;

  TPhotoItem& Add() { return items_.emplace_back(); }
  TPhotoItem& GetItem(int index) { return items_[static_cast<size_t>(index)]; }
  const TPhotoItem& GetItem(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Check(int index);
  void Uncheck(int index);
  // Empties the list; nothing is checked afterwards.
  void Clear();
  void RemoveLast() { items_.pop_back(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TPhotoItem> items_;
};

struct TPhotoAlbumItem {
  std::string Name;
  std::vector<uint32_t> PhotoIds;
  int32_t Count = 0;
  int32_t AlbumId = 0;

  uint32_t GetPhotoId(int index) const { return PhotoIds[static_cast<size_t>(index)]; }
};

class TPhotoAlbumList {
 public:
  TPhotoAlbumItem& Add() { return items_.emplace_back(); }
  TPhotoAlbumItem& GetItem(int index) { return items_[static_cast<size_t>(index)]; }
  const TPhotoAlbumItem& GetItem(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TPhotoAlbumItem> items_;
};

struct TCamPhotoItem {
  bool Checked = false;
  std::string FileName;  // without folder, with extension
};

class TCamPhotoList {
 public:
  int32_t CheckedCount = 0;
  std::string Folder;  // the camera-roll folder on the device, with a trailing separator

  TCamPhotoItem& Add() { return items_.emplace_back(); }
  TCamPhotoItem& GetItem(int index) { return items_[static_cast<size_t>(index)]; }
  const TCamPhotoItem& GetItem(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Check(int index);
  void Uncheck(int index);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TCamPhotoItem> items_;
};

using TPhotoCheckEvent = std::function<void(int32_t index, bool checked)>;
using TPhotoProgressEvent = std::function<void(const std::string& fileName)>;
using TTileCountEvent = std::function<void(int32_t count)>;

// Where a tile goes on the box and what it stands for.
struct TTilePlace {
  int32_t Index = 0;  // the item's index in Photos (album pages) or CamPhotos (camera pages)
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool Checked = false;
  bool Camera = false;  // a click goes to CamTileClick, else to PhotoTileClick
};

// The window's scrolling panel of thumbnail tiles, as the library sees it.
// The photo window implements it; the core never touches the toolkit.
// Tiles are numbered in the order they were added.
class TPhotoBox {
 public:
  virtual ~TPhotoBox() = default;
  // Removes every tile.
  virtual void ClearTiles() = 0;
  // Adds a visible tile showing `picture` (an empty picture: a blank tile).
  virtual void AddTile(const TTilePlace& tile, TPicture24 picture) = 0;
  virtual int32_t TileCount() const = 0;
  virtual int32_t TileIndex(int32_t tile) const = 0;
  virtual bool TileChecked(int32_t tile) const = 0;
  // Sets a tile's mark and repaints it.
  virtual void SetTileChecked(int32_t tile, bool checked) = 0;
  virtual void SetTilesEnabled(bool enabled) = 0;
  // Decodes a picture file of a kind other than JPEG (PNG, GIF, TIFF, BMP);
  // false and an empty picture when it cannot.
  virtual bool DecodePicture(std::span<const uint8_t> file, TPicture24& picture) = 0;
  // The x position at which every tile, those shown already included, draws
  // its picture.
  virtual void SetPictureLeft(int32_t left) = 0;
};

class TIpodPhotoDb {
 public:
  TIpodPhotoDb(TIpodDevice* device, bool withCamera, TPhotoBox* box);
  ~TIpodPhotoDb();
  TIpodPhotoDb(const TIpodPhotoDb&) = delete;
  TIpodPhotoDb& operator=(const TIpodPhotoDb&) = delete;

  std::string Log;
  std::string DestFolder;
  bool Cancelled = false;
  bool HasOriginals = false;
  // Why the photo library the device holds could not be read; empty when it
  // was not damaged.
  std::string ReadError;
  TPhotoList Photos;
  TPhotoAlbumList Albums;
  bool WithCamera = false;
  TCamPhotoList CamPhotos;  // used only when WithCamera
  uint8_t BmpHeader[66] = {};
  TIpodDevice* Device;
  TPhotoInfo ExportInfo;
  TPhotoInfo ThumbInfo;
  int32_t TileWidth = 0, TileHeight = 0, TileGap = 0, PageSize = 0, TilesPerRow = 0;
  int32_t CamTileWidth = 0, CamTileHeight = 0, CamTileGap = 0, CamPageSize = 0, CamTilesPerRow = 0;
  // The x position at which every tile draws its picture: one value for all
  // tiles, that of the layout set last (handed to Box).
  int32_t PictureLeft = 0;
  TMemoryStream Stream;
  TPhotoCheckEvent OnCheckChange;
  TPhotoProgressEvent OnFileDone;
  TTileCountEvent OnTileLoaded;
  TPhotoBox* Box;

  void AddLog(const std::string& line);
  // The window's detail log of a transfer: its head when it starts (the
  // library's Log follows once it has ended).
  static std::string DetailLogHead(bool diskMode) {
    return std::string("Ortelan Photo 5.3\r\n") + (diskMode ? "[iPod]\r\n" : "");
  }

  // Loading.
  bool LoadPhotoLibrary();
  // Drops what a library read halfway left, before another is read.
  void ForgetPartialLibrary();
  // True once the device has gone during an export; logs it once.
  bool DeviceGone();
  bool LoadPhotoDatabase();
  // Parses a Photo Database already in memory.
  bool ParsePhotoDatabase(const ByteReader& r);
  int32_t LoadCameraRoll();
  // The library of Photos.sqlite; errors of the SQLite layer
  // (ESQLiteException) end the reading and reach the caller.
  bool LoadPhotosSqlite(const std::string& fileName);
  // Its parts: the albums (the whole library first), the photos, and the
  // photos of each album, by the entity numbers of the database's model.
  void ReadSqliteAlbums(TSQLiteDatabase& db, int64_t albumEntity);
  void ReadSqliteAssets(TSQLiteDatabase& db, int64_t assetEntity);
  void ReadSqliteAlbumMembers(TSQLiteDatabase& db, int64_t albumEntity, int64_t memberEntity);
  // Chooses the first iOS thumbnail store the device has; false when none.
  bool SelectIosThumbStore();
  static void FillFormatInfo(TPhotoInfo& info);
  void SetTileLayout(bool camera);
  // Fills BmpHeader from ThumbInfo (display) or ExportInfo (export).
  void BuildBmpHeader(bool display);

  // Pages of tiles on Box (PhotoPages.cpp). Both give the number of tiles
  // made.
  int32_t ShowAlbumPage(int32_t albumIndex, int32_t page, int32_t fileNo);
  int32_t ShowCamPage(int32_t page, const std::string& movieBitmap);
  int32_t AlbumPageCount(int32_t album) const;
  int32_t CamPageCount() const;
  // Brings the marks of the tiles in line after the window changed the
  // model: mark all, unmark all, invert.
  enum class TCheckMode : uint8_t { MarkAll = 0, UnmarkAll = 1, Invert = 2 };
  void ApplyCheckMode(TCheckMode mode);
  void ClearTiles();
  // A click on tile number `tile` of an album page or a camera page.
  void PhotoTileClick(int32_t tile);
  void CamTileClick(int32_t tile);
  // The photos whose ImageId is `id`, in list order (an index made once).
  std::span<const int32_t> PhotosWithId(uint32_t id);

  // The largest picture the device holds of a photo, for a closer look
  // (PhotoPreview.cpp): its original when the device keeps one, else its
  // export thumbnail, else its display thumbnail. A JPEG file is decoded at
  // the decoder's smallest scale that is still `minWidth` x `minHeight`.
  bool ReadLargestPicture(int32_t photoIndex, int minWidth, int minHeight, TPicture24& picture);
  // A camera-roll file itself (not a movie), decoded the same way.
  bool ReadCameraFilePicture(int32_t item, int minWidth, int minHeight, TPicture24& picture);

  // Export.
  void GetDefaultFolder(std::string& folder);
  bool PrepareDestination(std::string& folder);
  int32_t ExportPhotos();
  int32_t ExportPhotoDbPhotos();
  int32_t ExportCamPhotos();
  // The file name of a device path: its part after the last ":", "\" or "/".
  static std::string ExtractDevFileName(const std::string& fileName);
  // The bytes an export of the checked items needs, estimated.
  int64_t NeededBytes() const;

  // Items that could not be exported in the last transfer.
  int32_t FailedCount = 0;
  // The pause before the one retry of a copy that failed with the
  // invalid-parameter code.
  std::chrono::milliseconds RetryWait{2000};

 private:
  // One photo's record, decoded: a picture to encode, or a JPEG file as is.
  struct DecodedPhoto {
    TPicture24 Picture;
    std::vector<uint8_t> Jpeg;
    bool IsJpeg = false;
    // A uYUV record, of which the decoding thread has made the top RowsMade
    // rows of Picture (640 x 480); the helper makes the rest from Record.
    bool ScaleTo640 = false;
    int RowsMade = 0;
    std::vector<uint8_t> Record;
  };
  using RecordDecoder = bool (TIpodPhotoDb::*)(const TPhotoItem&, DecodedPhoto&);
  // How the export format's records are read: the log line of a store that
  // cannot be opened, the decoder, and whether records need the bitmap header.
  struct ExportFormat {
    const char* openError;
    RecordDecoder decode;
    bool bmpHeader;
  };
  ExportFormat ExportFormatOf() const;
  int32_t ExportThumbs(const char* prefix, RecordDecoder decode);
  // The decoding and writing of photos on two threads (PhotoExport.cpp).
  struct ExportPipeline;
  // Exports the checked photos of the open store file number `fileNo`.
  void ExportFromStore(int32_t fileNo, RecordDecoder decode, ExportPipeline& pipe);
  // Encodes (unless it is a JPEG file already) and writes a new file; 0 or
  // the errno (EEXIST when the target is there).
  int WriteDecoded(DecodedPhoto& decoded, const std::string& target);
  bool ReadRecord(const TPhotoItem& photo, int32_t size, bool withHeader);
  bool RecordFits(const TPhotoItem& photo, size_t buffer);
  bool DecodeRgbRecord(const TPhotoItem& photo, DecodedPhoto& out);
  bool DecodeNrgbRecord(const TPhotoItem& photo, DecodedPhoto& out);
  bool DecodeUyvyRecord(const TPhotoItem& photo, DecodedPhoto& out);
  bool DecodeYuvRecord(const TPhotoItem& photo, DecodedPhoto& out);
  bool ReadJpgRecord(const TPhotoItem& photo, DecodedPhoto& out);
  int CopyWithRetry(const std::function<int()>& copy);
  // Logs a failed copy; true once the step has had too many (then the
  // abort line is logged too).
  bool CountCopyError(const std::string& name, int code, int& errors, const char* abortLine);
  // Copies the checked photos' originals (from Photos.sqlite when `ios`).
  int32_t CopyOriginals(bool ios);

  bool ReadImageList(const ByteReader& r, uint64_t sectionStart, uint32_t sectionHeaderLen);
  bool ReadThumbFormats(const ByteReader& r, uint64_t start);
  // The formats met so far while choosing the export and display formats.
  struct FormatChoice {
    static constexpr uint32_t kNoDisplayWidth = 1024;  // display formats are narrower
    uint32_t maxWidth = 0;
    uint32_t minWidth = kNoDisplayWidth;
    bool preferred = false;  // a preferred display format was met
  };
  // Originals are exported when a device keeps them (format 0: an original
  // object without a format).
  void ChooseOriginal(uint32_t formatId, FormatChoice& choice);
  // Weighs the thumbnail reference at `ref`; false when it is damaged.
  bool ReadFormatRef(const ByteReader& r, uint64_t ref, FormatChoice& choice);
  uint32_t ReadImageItem(const ByteReader& r, uint64_t start);
  bool ReadThumbRef(const ByteReader& r, uint64_t start, int32_t& found, uint16_t objectType);
  bool ReadAlbumList(const ByteReader& r, uint64_t sectionStart, uint32_t sectionHeaderLen);
  // Adds the album at `start` when it has a name (`name` keeps the last one
  // read) with its photo ids.
  void ReadAlbum(const ByteReader& r, uint64_t start, std::string& name);

  ReadBudget readBudget_;  // what the current parse may still read

  // Pages.
  bool OpenDisplayStore(int32_t fileNo);
  bool ReadExportPicture(const TPhotoItem& photo, TPicture24& picture);
  bool ReadDisplayPicture(const TPhotoItem& photo, TPicture24& picture);
  // Reads and decodes the photo's record of the open display store, after
  // BuildBmpHeader(true): the album pages and the closer look both show it.
  bool DecodeDisplayRecord(const TPhotoItem& photo, TPicture24& picture);
  bool DecodePictureFile(const TMemoryStream& file, int minWidth, int minHeight,
                         TPicture24& picture);
  bool ReadCameraPicture(const TCamPhotoItem& item, const std::string& movieBitmap,
                         TMemoryStream& stream);
  TPicture24 CameraTilePicture(const TMemoryStream& stream);
  // Photo indices sorted by ImageId (stable): every photo of an id together.
  std::vector<int32_t> photosById_;
};

}  // namespace ortelan
