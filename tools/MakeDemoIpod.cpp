// Builds the demo device: a folder laid out like a disk-mode iPod, with an
// iTunesDB (or iTunesCDB) of about forty tracks, playlists, a file of each
// track's exact size at its location, album covers, photos and two voice
// memos. With --sqlite it is shaped like a newer iPod nano: the same tracks
// in the SQLite files of "iTunes Library.itlp" beside an iTunesCDB, and the
// photos in PhotoData/Photos.sqlite with a 120 x 120 thumbnail store and
// originals.
// With --ios it is shaped like the media folder of an iPhone, as its file
// service shows it: the tracks in iTunes_Control/iTunes/MediaLibrary.sqlitedb
// and under iTunes_Control/Music, the photos as for --sqlite, and a video of
// the camera roll. --track-bytes N makes the placeholder tracks about N
// bytes long (40000 by default), for benchmarks with tracks of real sizes.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "photo/ImageCodec.h"
#include "photo/Picture.h"
#include "support/ItunesDbBuilder.h"
#include "support/PhotoDbBuilder.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace ortelan::fixtures;

struct DemoTrack {
  const char* title;
  const char* artist;
  const char* album;
  const char* genre;
  const char* location;  // colon form
  uint32_t seconds;
  bool tone;  // a real audio file (WAV tone) rather than placeholder bytes
};

const DemoTrack kTracks[] = {
    {"Morning Tone", "Ortelan Test Signals", "Tones", "Electronic",
     ":iPod_Control:Music:F00:TONE1.wav", 2, true},
    {"Evening Tone", "Ortelan Test Signals", "Tones", "Electronic",
     ":iPod_Control:Music:F00:TONE2.wav", 3, true},
    {"Night Tone", "Ortelan Test Signals", "Tones", "Electronic",
     ":iPod_Control:Music:F00:TONE3.wav", 2, true},
    {"Café del Mar", "Energy 52", "Café del Mar Vol. 1", "Chill-out",
     ":iPod_Control:Music:F01:CAFE.mp3", 421, false},
    {"Für Elise", "Ludwig van Beethoven", "Klavierstücke", "Classical",
     ":iPod_Control:Music:F01:ELIS.mp3", 175, false},
    {"Ça plane pour moi", "Plastic Bertrand", "AN1", "Punk", ":iPod_Control:Music:F01:PLAN.m4a",
     182, false},
    {"Jardín de las Delicias", "Señor Coconut", "Fiesta Songs", "Latin",
     ":iPod_Control:Music:F02:JARD.mp3", 236, false},
    {"夜に駆ける", "YOASOBI", "THE BOOK", "J-Pop", ":iPod_Control:Music:F02:YORU.m4a", 261, false},
    {"강남스타일", "PSY", "Psy 6 (Six Rules), Part 1", "K-Pop", ":iPod_Control:Music:F02:GANG.mp3",
     219, false},
    {"月亮代表我的心", "鄧麗君", "淡淡幽情", "Mandopop", ":iPod_Control:Music:F03:MOON.mp3", 209,
     false},
    {"Happy 🎉 Birthday 🎂", "The Party Band", "Celebrations 🎈", "Pop",
     ":iPod_Control:Music:F03:PRTY.mp3", 95, false},
    {"The Long and Winding Road That Leads To Your Door (Remastered 2009)", "The Beatles",
     "Let It Be", "Rock", ":iPod_Control:Music:F03:ROAD.mp3", 218, false},
    {"Symphony No. 9 in D minor, Op. 125 \"Choral\": IV. Presto - Allegro assai",
     "Berliner Philharmoniker", "Beethoven: The Nine Symphonies", "Classical",
     ":iPod_Control:Music:F04:NINE.m4a", 1482, false},
    {"AC/DC: Back In Black?", "AC/DC", "Back In Black", "Rock", ":iPod_Control:Music:F04:BACK.mp3",
     255, false},
    {"What's \"This\"*", "Question|Mark", "<Best Of>", "Alternative",
     ":iPod_Control:Music:F04:WHAT.mp3", 199, false},
    {"Intro\\Outro: Part 1/2", "Slash & Backslash", "Paths", "Experimental",
     ":iPod_Control:Music:F05:PATH.mp3", 61, false},
    {"Untitled Demo", "", "Garage Tapes", "Rock", ":iPod_Control:Music:F05:UNTI.mp3", 143, false},
    {"", "Nameless", "No Title", "Ambient", ":iPod_Control:Music:F05:NONE.mp3", 300, false},
    {"   ", "   ", "   ", "", ":iPod_Control:Music:F05:BLNK.mp3", 120, false},
    {"..", "...", ".", "Test", ":iPod_Control:Music:F06:DOTS.mp3", 42, false},
    {"Bohemian Rhapsody", "Queen", "A Night at the Opera", "Rock",
     ":iPod_Control:Music:F06:BOHE.mp3", 354, false},
    {"Bohemian Rhapsody", "Queen", "Greatest Hits", "Rock", ":iPod_Control:Music:F06:BOH2.mp3", 355,
     false},
    {"Clair de Lune", "Claude Debussy", "Suite bergamasque", "Classical",
     ":iPod_Control:Music:F07:CLAI.m4a", 305, false},
    {"So What", "Miles Davis", "Kind of Blue", "Jazz", ":iPod_Control:Music:F07:SOWH.mp3", 562,
     false},
    {"Smells Like Teen Spirit", "Nirvana", "Nevermind", "Grunge",
     ":iPod_Control:Music:F07:TEEN.mp3", 301, false},
    {"Hey Jude", "The Beatles", "1", "Rock", ":iPod_Control:Music:F08:JUDE.m4a", 431, false},
    {"Billie Jean", "Michael Jackson", "Thriller", "Pop", ":iPod_Control:Music:F08:BILL.mp3", 294,
     false},
    {"Take Five", "The Dave Brubeck Quartet", "Time Out", "Jazz",
     ":iPod_Control:Music:F08:FIVE.mp3", 324, false},
    {"Knights of Cydonia", "Muse", "Black Holes and Revelations", "Rock",
     ":iPod_Control:Music:F09:KNIG.mp3", 366, false},
    {"Svefn-g-englar", "Sigur Rós", "Ágætis byrjun", "Post-rock",
     ":iPod_Control:Music:F09:SVEF.mp3", 604, false},
    {"Ringtone Classic", "Ortelan", "Ringtones", "Ringtone", ":iPod_Control:Ringtones:RING.m4r", 30,
     false},
    {"Marimba Remix", "Ortelan", "Ringtones", "Ringtone", ":iPod_Control:Ringtones:MARI.M4R", 25,
     false},
    {"Big Buck Bunny", "Blender Foundation", "Open Movies", "Animation",
     ":iPod_Control:Music:F10:BUNN.m4v", 596, false},
    {"Sintel Trailer", "Blender Foundation", "Open Movies", "Animation",
     ":iPod_Control:Music:F10:SINT.mp4", 52, false},
    {"Holiday Clip", "Family", "Home Videos", "Home Video", ":iPod_Control:Music:F10:HOLI.mov", 74,
     false},
    {"Alice's Adventures in Wonderland", "Lewis Carroll", "Books", "Fiction",
     ":iPod_Control:Books:ALICE.epub", 0, false},
    {"Owner's Manual", "Apple", "Books", "Manual", ":iPod_Control:Books:MANUAL.pdf", 0, false},
    {"Podcast Episode 42: Ünïcödé", "Talk Show", "The Podcast", "Podcast",
     ":iPod_Control:Music:F11:POD4.mp3", 2710, false},
    {"Lo-Fi Beat", "chill kid", "beats to relax to", "Lo-Fi", ":iPod_Control:Music:F11:LOFI.m4a",
     133, false},
    {"Finale", "Orchestra", "Encore", "Classical", ":iPod_Control:Music:F11:FINA.mp3", 245, false},
};

// On the demo disk some folders differ in letter case from the database, as
// they do on copies of FAT volumes.
std::string DiskPath(const std::string& colonPath) {
  std::string path = colonPath;
  for (char& c : path) c = c == ':' ? '/' : c;
  if (path.find("/F11/") != std::string::npos) path.replace(path.find("/F11/"), 5, "/f11/");
  return path;
}

std::vector<uint8_t> WavTone(uint32_t seconds, double hz) {
  const uint32_t rate = 22050, samples = rate * seconds, dataBytes = samples * 2;
  std::vector<uint8_t> w;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  tag("RIFF"), put(36 + dataBytes, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(1, 2), put(1, 2);
  put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2), tag("data"), put(dataBytes, 4);
  for (uint32_t i = 0; i < samples; ++i) {
    const double fade = std::min(1.0, std::min(i, samples - i) / 2000.0);
    put(static_cast<uint16_t>(
            static_cast<int16_t>(8000 * fade * std::sin(2 * M_PI * hz * i / rate))),
        2);
  }
  return w;
}

std::vector<uint8_t> Placeholder(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>((i * 31 + seed * 17) ^ (i >> 7));
  return bytes;
}

// Picture n of the demo library: gradients, colour bars and simple shapes.
ortelan::TPicture24 DemoPicture(int n, int width, int height) {
  ortelan::TPicture24 p;
  p.SetSize(width, height);
  static const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                     {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* px = p.Row(y) + 3 * x;
      const double fx = double(x) / width, fy = double(y) / height;
      switch (n % 4) {
        case 0:  // colour bars, shifted per picture
          for (int c = 0; c < 3; ++c) px[c] = bars[(x * 8 / width + n / 4) % 8][c];
          break;
        case 1:  // a diagonal gradient in a colour of its own
          px[0] = static_cast<uint8_t>(255 * fx);
          px[1] = static_cast<uint8_t>(255 * fy);
          px[2] = static_cast<uint8_t>(40 * n % 256);
          break;
        case 2: {  // a disc on a sky gradient
          const double dx = fx - 0.5, dy = fy - 0.5;
          const bool disc =
              dx * dx * width * width + dy * dy * height * height < (0.3 * height) * (0.3 * height);
          px[0] = disc ? 250 : static_cast<uint8_t>(60 + 100 * fy);
          px[1] = disc ? static_cast<uint8_t>(200 - 8 * n) : static_cast<uint8_t>(120 + 100 * fy);
          px[2] = disc ? 40 : 230;
          break;
        }
        default: {  // a checkerboard with a square frame
          const bool check = ((x * 8 / width) + (y * 6 / height)) % 2 == 0;
          const bool frame =
              x < width / 10 || x > width * 9 / 10 || y < height / 10 || y > height * 9 / 10;
          px[0] = frame ? 30 : check ? 240 : static_cast<uint8_t>(10 * n);
          px[1] = frame ? 90 : check ? 240 : 30;
          px[2] = frame ? 200 : check ? 240 : 60;
        }
      }
    }
  }
  return p;
}

// 16-bit little-endian pixels: 5-6-5 as disk-mode iPods store them, or 5-5-5
// as iOS stores do.
std::string Pixels16(const ortelan::TPicture24& p, bool fiveFiveFive) {
  std::string record;
  for (size_t i = 0; i < p.Pixels.size(); i += 3) {
    const int greenBits = fiveFiveFive ? 5 : 6;
    const uint16_t v =
        static_cast<uint16_t>((p.Pixels[i] >> 3) << (5 + greenBits) |
                              (p.Pixels[i + 1] >> (8 - greenBits)) << 5 | p.Pixels[i + 2] >> 3);
    record += static_cast<char>(v & 0xFF);
    record += static_cast<char>(v >> 8);
  }
  return record;
}

std::string Jpeg(const ortelan::TPicture24& p) {
  std::vector<uint8_t> bytes;
  ortelan::ImageCodec::EncodeJpeg(p, bytes);
  return std::string(bytes.begin(), bytes.end());
}

// Two dozen photos in a display format (1066, 64 x 64) and an export format
// (1024, 320 x 240), three albums, and a camera roll.
void WriteDemoPhotos(const std::string& root) {
  using namespace ortelan::fixtures::photodb;
  constexpr int kPhotos = 24;
  std::string small, large;
  std::vector<Bytes> images;
  std::vector<Bytes> all, bars, shapes;
  for (int n = 0; n < kPhotos; ++n) {
    const uint32_t id = 200 + n;
    const ThumbRef display{
        1066, static_cast<uint32_t>(small.size()), 8192, 64, 64, 0, 0, ":Thumbs:F1066_1.ithmb"};
    const ThumbRef exported{
        1024, static_cast<uint32_t>(large.size()), 153600, 320, 240, 0, 0, ":Thumbs:F1024_1.ithmb"};
    small += Pixels16(DemoPicture(n, 64, 64), false);
    large += Pixels16(DemoPicture(n, 320, 240), false);
    images.push_back(Image(id, display, exported));
    all.push_back(Mhia(id));
    (n % 4 == 0 ? bars : shapes).push_back(Mhia(id));
  }
  ortelan::test::WriteFile(root + "/Photos/Thumbs/F1066_1.ithmb", small);
  ortelan::test::WriteFile(root + "/Photos/Thumbs/F1024_1.ithmb", large);
  const Bytes database =
      Mhfd({Section(1, Mhli(images)),
            Section(2, Mhla({Mhba({StringMhod(1, "Photo Library")}, all),
                             Mhba({StringMhod(1, "Colour Bars")}, bars),
                             Mhba({StringMhod(1, "Shapes & Gradients")}, shapes)}))});
  ortelan::test::WriteFile(root + "/Photos/Photo Database", database);

  const std::string roll = root + "/DCIM/100APPLE/";
  for (int n = 1; n <= 3; ++n) {
    const std::string base = roll + "IMG_000" + std::to_string(n);
    ortelan::test::WriteFile(base + ".JPG", Jpeg(DemoPicture(n + 4, 640, 480)));
    ortelan::test::WriteFile(base + ".THM", Jpeg(DemoPicture(n + 4, 160, 120)));
  }
  ortelan::test::WriteFile(roll + "IMG_0004.MOV", std::string(50000, 'm'));
}

// Album covers in two sizes (100 x 100 and 200 x 200, 5-6-5 pixels) for
// every track of an album but "Garage Tapes", whose tracks have none.
void WriteDemoArtwork(const std::string& root, const std::vector<Track>& tracks) {
  using namespace ortelan::fixtures::photodb;
  std::string small, large;
  std::vector<Bytes> images;
  std::vector<std::string> albums;
  uint32_t imageId = 100;
  for (const Track& track : tracks) {
    if (track.Album == "Garage Tapes") continue;
    auto album = std::find(albums.begin(), albums.end(), track.Album);
    if (album == albums.end()) album = albums.insert(albums.end(), track.Album);
    const int picture = static_cast<int>(album - albums.begin());
    const ThumbRef smallRef{
        1028, static_cast<uint32_t>(small.size()), 20000, 100, 100, 0, 0, ":F1028_1.ithmb"};
    const ThumbRef largeRef{
        1029, static_cast<uint32_t>(large.size()), 80000, 200, 200, 0, 0, ":F1029_1.ithmb"};
    small += Pixels16(DemoPicture(picture, 100, 100), false);
    large += Pixels16(DemoPicture(picture, 200, 200), false);
    images.push_back(ArtworkImage(imageId++, track.Fields.DbId, {smallRef, largeRef}));
  }
  const std::string folder = root + "/iPod_Control/Artwork/";
  ortelan::test::WriteFile(folder + "F1028_1.ithmb", small);
  ortelan::test::WriteFile(folder + "F1029_1.ithmb", large);
  ortelan::test::WriteFile(folder + "ArtworkDB",
                           Mhfd({Section(1, Mhli(images)), Section(2, Mhla({}))}));
}

struct DemoPlaylist {
  const char* name;
  bool smart;
  std::vector<uint32_t> ids;
};

// The tracks and playlists in Library.itdb, Locations.itdb and Dynamic.itdb.
void WriteNanoLibrary(const std::string& root, const std::vector<Track>& tracks,
                      const std::vector<DemoPlaylist>& playlists) {
  using namespace ortelan::fixtures::sqlite;
  std::string library = kLibraryItdbSchema, locations = kLocationsItdbSchema,
              dynamic = kDynamicItdbSchema;
  locations += "INSERT INTO base_location VALUES (1, 'iPod_Control/Music'), (2, 'iPod_Control');";
  std::vector<std::string> genres;
  for (const Track& t : tracks) {
    auto genre = std::find(genres.begin(), genres.end(), t.Genre);
    if (genre == genres.end()) genre = genres.insert(genres.end(), t.Genre);
    const auto [id, rating, size, duration, plays, dbId] = t.Fields;
    library += "INSERT INTO item (pid, title, artist, album, total_time_ms, genre_id) VALUES (" +
               std::to_string(id) + "," + Quoted(t.Title) + "," + Quoted(t.Artist) + "," +
               Quoted(t.Album) + "," + std::to_string(duration) + "," +
               std::to_string(genre - genres.begin() + 1) + ");";
    std::string path = DiskPath(t.Location).substr(1);  // "iPod_Control/..."
    const bool music = path.starts_with("iPod_Control/Music/");
    path = path.substr(music ? 19 : 13);
    locations += "INSERT INTO location (item_pid, base_location_id, location, file_size) VALUES (" +
                 std::to_string(id) + "," + (music ? "1" : "2") + "," + Quoted(path) + "," +
                 std::to_string(size) + ");";
    dynamic += "INSERT INTO item_stats VALUES (" + std::to_string(id) + "," +
               std::to_string(plays) + "," + std::to_string(rating) + ");";
  }
  for (const std::string& genre : genres) {
    library += "INSERT INTO genre_map (genre) VALUES (" + Quoted(genre) + ");";
  }
  library += "INSERT INTO db_info VALUES (1, 5000);";
  for (size_t n = 0; n < playlists.size(); ++n) {
    const std::string pid = std::to_string(5000 + n);
    library += "INSERT INTO container (pid, name, media_kinds) VALUES (" + pid + "," +
               Quoted(playlists[n].name) + "," + (playlists[n].smart ? "0" : "1") + ");";
    for (size_t k = 0; k < playlists[n].ids.size(); ++k) {
      library += "INSERT INTO item_to_container VALUES (" + std::to_string(playlists[n].ids[k]) +
                 "," + pid + "," + std::to_string(k) + ");";
    }
  }
  const std::string package = root + "/iPod_Control/iTunes/iTunes Library.itlp/";
  MakeDatabase(package + "Library.itdb", library);
  MakeDatabase(package + "Locations.itdb", locations);
  MakeDatabase(package + "Dynamic.itdb", dynamic);
}

// Where a track lies on an iPhone: the iPod's music folders under
// iTunes_Control, books in Books; as base folder and file name.
std::pair<std::string, std::string> IosLocation(const std::string& colonPath) {
  std::string path = colonPath.substr(1);  // "iPod_Control:Music:F00:NAME"
  for (char& c : path) c = c == ':' ? '/' : c;
  const size_t slash = path.rfind('/');
  std::string folder = path.substr(0, slash);
  folder.replace(0, 12, folder.starts_with("iPod_Control/Music") ? "iTunes_Control" : "");
  if (folder.starts_with('/')) folder.erase(0, 1);
  return {folder, path.substr(slash + 1)};
}

// The tracks and playlists in iTunes_Control/iTunes/MediaLibrary.sqlitedb.
void WriteIosLibrary(const std::string& root, const std::vector<Track>& tracks,
                     const std::vector<DemoPlaylist>& playlists) {
  using namespace ortelan::fixtures::sqlite;
  std::string sql = kMediaLibrarySchema;
  std::vector<std::string> folders, names;  // folders; artists, albums and genres by text
  const auto idOf = [&](std::vector<std::string>& known, const std::string& text) {
    auto at = std::find(known.begin(), known.end(), text);
    if (at == known.end()) at = known.insert(known.end(), text);
    return std::to_string(at - known.begin() + 1);
  };
  for (const Track& t : tracks) {
    const auto [folder, file] = IosLocation(t.Location);
    const auto [id, rating, size, duration, plays, dbId] = t.Fields;
    const std::string pid = std::to_string(id);
    const std::string artist = idOf(names, "a" + t.Artist), album = idOf(names, "b" + t.Album),
                      genre = idOf(names, "g" + t.Genre), base = idOf(folders, folder);
    sql += "INSERT OR IGNORE INTO item_artist VALUES (" + artist + "," + Quoted(t.Artist) + ");" +
           "INSERT OR IGNORE INTO album VALUES (" + album + "," + Quoted(t.Album) + ");" +
           "INSERT OR IGNORE INTO genre VALUES (" + genre + "," + Quoted(t.Genre) + ");" +
           "INSERT OR IGNORE INTO base_location VALUES (" + base + "," + Quoted(folder) + ");" +
           "INSERT INTO item (item_pid, item_artist_pid, album_pid, genre_id, base_location_id) "
           "VALUES (" +
           pid + "," + artist + "," + album + "," + genre + "," + base + ");" +
           "INSERT INTO item_extra VALUES (" + pid + "," + Quoted(t.Title) + "," + Quoted(file) +
           "," + std::to_string(size) + "," + std::to_string(duration) + ");" +
           "INSERT INTO item_stats VALUES (" + pid + "," + std::to_string(rating) + "," +
           std::to_string(plays) + ");";
  }
  sql += "INSERT INTO db_info VALUES (1, 5000);";
  for (size_t n = 0; n < playlists.size(); ++n) {
    const std::string pid = std::to_string(5000 + n);
    sql += "INSERT INTO container (container_pid, name, smart_is_dynamic) VALUES (" + pid + "," +
           Quoted(playlists[n].name) + "," + (playlists[n].smart ? "1" : "0") + ");" +
           "INSERT INTO container_items VALUES (" + pid + "," +
           IdBlob({playlists[n].ids.begin(), playlists[n].ids.end()}) + ");";
  }
  MakeDatabase(root + "/iTunes_Control/iTunes/MediaLibrary.sqlitedb", sql);
}

// A dozen photos in Photos.sqlite (its last album only in the write-ahead
// log), their thumbnails in PhotoData/Thumbnails/120x120.ithmb and their
// originals in DCIM/100APPLE.
void WritePhotoData(const std::string& root) {
  using namespace ortelan::fixtures::sqlite;
  constexpr int kPhotos = 12;
  std::string sql =
      PhotosSchema(8, 14, 15) +
      "INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME) VALUES (8, 'Album'), "
      "(14, 'GenerateAsset'), (15, 'Asset');"
      "INSERT INTO ZGENERICALBUM VALUES (1, 8, 1550, 'Colour Bars'), (2, 8, 1550, '');";
  std::string store;
  for (int n = 0; n < kPhotos; ++n) {
    const std::string name =
        "IMG_" + std::string(n + 1 < 10 ? "000" : "00") + std::to_string(n + 1) + ".JPG";
    ortelan::test::WriteFile(root + "/DCIM/100APPLE/" + name, Jpeg(DemoPicture(n, 640, 480)));
    store += Pixels16(DemoPicture(n, 120, 120), true) + std::string(28, '\0');  // and the trailer
    const std::string pk = std::to_string(300 + n);
    sql += "INSERT INTO ZGENERICASSET VALUES (" + pk + ", 15, " + std::to_string(n) +
           ", 'DCIM/100APPLE', '" + name + "', 0);";
    sql +=
        "INSERT INTO Z_8ASSETS VALUES (" + std::string(n % 4 == 0 ? "1" : "2") + ", " + pk + ");";
  }
  ortelan::test::WriteFile(root + "/PhotoData/Thumbnails/120x120.ithmb", store);
  MakeDatabaseWithLog(root + "/PhotoData/Photos.sqlite", sql,
                      "INSERT INTO ZGENERICALBUM VALUES (3, 8, 1550, 'Added Last');"
                      "INSERT INTO Z_8ASSETS VALUES (3, 300), (3, 311);");
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  bool compressed = false, nano = false, ios = false;
  uint32_t trackBytes = 40000;  // the least size of a placeholder track
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--compressed") {
      compressed = true;
    } else if (arg == "--sqlite") {
      nano = compressed = true;
    } else if (arg == "--ios") {
      ios = true;
    } else if (arg == "--track-bytes" && i + 1 < argc &&
               std::sscanf(argv[i + 1], "%u", &trackBytes) == 1 && trackBytes <= (1u << 30)) {
      ++i;
    } else if (root.empty() && arg[0] != '-') {
      root = arg;
    } else {
      root.clear();
      break;
    }
  }
  if (root.empty()) {
    std::fprintf(stderr,
                 "usage: make-demo-ipod [--compressed | --sqlite | --ios] [--track-bytes N] DIR\n");
    return 2;
  }
  if (fs::exists(root) && !fs::is_empty(root)) {
    std::fprintf(stderr, "make-demo-ipod: %s exists and is not empty\n", root.c_str());
    return 1;
  }

  Library lib;
  std::vector<uint32_t> all, videos, roadTrip;
  uint32_t id = 100;
  for (const DemoTrack& d : kTracks) {
    const std::vector<uint8_t> file = d.tone ? WavTone(d.seconds, 330.0 + id)
                                             : Placeholder(trackBytes + (id * 7919) % 160000, id);
    if (ios) {
      const auto [folder, name] = IosLocation(d.location);
      ortelan::test::WriteFile(root + "/" + folder + "/" + name, file);
    } else {
      ortelan::test::WriteFile(root + DiskPath(d.location), file);
    }
    Track t;
    t.Fields = {id,
                static_cast<uint8_t>((id % 6) * 20),
                static_cast<uint32_t>(file.size()),
                d.seconds * 1000 + id % 1000,
                id % 13,
                0x0DE0000000000000u + id};
    t.Title = d.title, t.Artist = d.artist, t.Album = d.album, t.Genre = d.genre;
    t.Location = d.location;
    t.ExtraMhods = {MhodString(12, "Composer of " + std::string(d.title)),
                    MhodString(8, "Comment")};
    lib.Tracks.push_back(t);
    all.push_back(id);
    const std::string loc = d.location;
    if (loc.ends_with(".m4v") || loc.ends_with(".mp4") || loc.ends_with(".mov"))
      videos.push_back(id);
    if (id % 4 == 0) roadTrip.push_back(id);
    ++id;
  }
  const std::vector<DemoPlaylist> playlists = {{"Ortelan Demo iPod", false, all},
                                               {"Road Trip", false, roadTrip},
                                               {"Top Rated", true, {101, 104, 110, 120}},
                                               {"Twice Over", false, {103, 107, 103, 999}},
                                               {"Videos", false, videos}};
  for (const DemoPlaylist& p : playlists) lib.Playlists.push_back({p.name, p.smart, p.ids});
  ortelan::ImageCodec::Start();
  if (ios) {
    WriteIosLibrary(root, lib.Tracks, playlists);
    WritePhotoData(root);
    ortelan::test::WriteFile(root + "/DCIM/100APPLE/IMG_0013.MOV", Placeholder(30000, 13));
    ortelan::test::WriteFile(root + "/DCIM/100APPLE/IMG_0013.THM", Jpeg(DemoPicture(13, 160, 120)));
  } else {
    const Bytes db = lib.Build();
    const std::string itunes = root + "/iPod_Control/iTunes/";
    ortelan::test::WriteFile(itunes + (compressed ? "iTunesCDB" : "iTunesDB"),
                             compressed ? Compress(db) : db);
    WriteDemoArtwork(root, lib.Tracks);
  }
  if (nano) {
    WriteNanoLibrary(root, lib.Tracks, playlists);
    WritePhotoData(root);
  } else {
    WriteDemoPhotos(root);
  }
  ortelan::test::WriteFile(root + "/Recordings/20091224 183000.m4a", Placeholder(12000, 1));
  ortelan::test::WriteFile(root + "/Recordings/20100101 000100.m4a", Placeholder(8000, 2));
  std::printf("Demo %s with %zu tracks and %d photos written to %s\n",
              ios    ? "iPhone"
              : nano ? "iPod nano"
                     : "iPod",
              lib.Tracks.size(), nano || ios ? 12 : 24, root.c_str());
  return 0;
}
