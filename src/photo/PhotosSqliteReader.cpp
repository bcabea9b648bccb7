// The photo library of Photos.sqlite (iOS devices, and disk-mode devices that
// carry the same files): albums, photos and album members.

#include "device/SQLiteWrap.h"
#include "photo/iPodPhoto.h"
#include "util/Text.h"

namespace ortelan {

namespace {

struct Entities {
  int64_t album = 0, generateAsset = 0, asset = 0;
};

// The entity numbers from Z_PRIMARYKEY, or one of the two default sets when
// any of the three is missing.
Entities ReadEntities(TSQLiteDatabase& db) {
  Entities found;
  bool album = false, generateAsset = false, asset = false;
  for (const auto row = db.Query("SELECT Z_ENT,Z_NAME FROM Z_PRIMARYKEY");
       !row->AtEnd && !(album && generateAsset && asset); row->Step()) {
    const std::string name = row->ColumnText(1);
    if (SameTextAscii(name, "Album")) {
      found.album = row->ColumnInt64(0), album = true;
    } else if (SameTextAscii(name, "Asset")) {
      found.asset = row->ColumnInt64(0), asset = true;
    } else if (SameTextAscii(name, "GenerateAsset")) {
      found.generateAsset = row->ColumnInt64(0), generateAsset = true;
    }
  }
  if (album && generateAsset && asset) return found;
  return db.HasTable("Z_6ASSETS") ? Entities{6, 11, 12} : Entities{8, 14, 15};
}

}  // namespace

bool TIpodPhotoDb::LoadPhotosSqlite(const std::string& fileName) {
  HasOriginals = true;
  TSQLiteDatabase db(fileName);
  SelectIosThumbStore();
  SetTileLayout(false);
  const Entities entities = ReadEntities(db);
  ReadSqliteAlbums(db, entities.album);
  ReadSqliteAssets(db, entities.asset);
  TPhotoAlbumItem& all = Albums.GetItem(0);
  all.Count = Photos.Count();
  for (const TPhotoItem& photo : Photos) all.PhotoIds.push_back(photo.ImageId);
  ReadSqliteAlbumMembers(db, entities.album, entities.generateAsset);
  return true;
}

void TIpodPhotoDb::ReadSqliteAlbums(TSQLiteDatabase& db, int64_t albumEntity) {
  Albums.Add().Name = "Pictures";  // every photo
  int unnamedAlbums = 1;
  // Sent as written: SQLite reads it as (Z_ENT = album AND ZKIND = 1550) OR ZKIND = 2.
  for (const auto row = db.Query("SELECT Z_PK,ZTITLE FROM ZGENERICALBUM WHERE Z_ENT=" +
                                 std::to_string(albumEntity) + " AND ZKIND=1550 OR ZKIND=2");
       !row->AtEnd; row->Step()) {
    const auto id = static_cast<int32_t>(row->ColumnInt64(0));
    if (id == 0) continue;
    TPhotoAlbumItem& item = Albums.Add();
    item.AlbumId = id;
    item.Name = row->ColumnText(1);
    if (item.Name.empty()) item.Name = "Photo Album " + std::to_string(unnamedAlbums++);
  }
}

void TIpodPhotoDb::ReadSqliteAssets(TSQLiteDatabase& db, int64_t assetEntity) {
  for (const auto row = db.Query(
           "SELECT Z_PK,ZTHUMBNAILINDEX,ZDIRECTORY,ZFILENAME FROM ZGENERICASSET WHERE Z_ENT=" +
           std::to_string(assetEntity) + " AND ZSAVEDASSETTYPE<>3");
       !row->AtEnd; row->Step()) {
    TPhotoItem& photo = Photos.Add();
    photo.ImageId = static_cast<uint32_t>(row->ColumnInt64(0));
    photo.ThumbOffset =
        static_cast<uint32_t>(row->ColumnInt64(1)) * static_cast<uint32_t>(ThumbInfo.ImageSize);
    photo.FileName = row->ColumnText(2) + "/" + row->ColumnText(3);
  }
}

void TIpodPhotoDb::ReadSqliteAlbumMembers(TSQLiteDatabase& db, int64_t albumEntity,
                                          int64_t memberEntity) {
  const std::string album = std::to_string(albumEntity);
  const std::string members = "SELECT Z_" + std::to_string(memberEntity) + "ASSETS FROM Z_" +
                              album + "ASSETS WHERE Z_" + album + "ALBUMS=";
  for (int i = 0; i < Albums.Count(); ++i) {
    TPhotoAlbumItem& item = Albums.GetItem(i);
    for (const auto row = db.Query(members + std::to_string(item.AlbumId)); !row->AtEnd;
         row->Step()) {
      item.PhotoIds.push_back(static_cast<uint32_t>(row->ColumnInt64(0)));
      ++item.Count;
    }
  }
}

}  // namespace ortelan
