
CREATE TABLE genre (genre_id INTEGER PRIMARY KEY, genre TEXT);
CREATE TABLE album (album_pid INTEGER PRIMARY KEY, album TEXT);
CREATE TABLE base_location (base_location_id INTEGER PRIMARY KEY, path TEXT);
CREATE TABLE item_artist (item_artist_pid INTEGER PRIMARY KEY, item_artist TEXT);
CREATE TABLE item (item_pid INTEGER PRIMARY KEY, media_type INTEGER DEFAULT 8,
  item_artist_pid INTEGER, album_pid INTEGER, genre_id INTEGER, base_location_id INTEGER);
CREATE TABLE item_extra (item_pid INTEGER PRIMARY KEY, title TEXT, location TEXT,
  file_size INTEGER, total_time_ms INTEGER);
CREATE TABLE item_stats (item_pid INTEGER PRIMARY KEY, user_rating INTEGER, play_count_user INTEGER);
CREATE TABLE db_info (db_pid INTEGER PRIMARY KEY, primary_container_pid INTEGER);
CREATE TABLE container (container_pid INTEGER PRIMARY KEY, distinguished_kind INTEGER DEFAULT 0,
  name TEXT, smart_is_dynamic INTEGER DEFAULT 0, smart_is_filtered INTEGER DEFAULT 0,
  smart_limit_kind INTEGER DEFAULT 0);
CREATE TABLE container_items (container_pid INTEGER PRIMARY KEY, item_pid_data BLOB);

INSERT INTO genre VALUES (5, 'Jazz');
INSERT INTO album VALUES (20, 'Blue Train');
INSERT INTO base_location VALUES (3000, 'iTunes_Control/Music/F01');
INSERT INTO item_artist VALUES (40, 'John Coltrane');
INSERT INTO item (item_pid, item_artist_pid, album_pid, genre_id, base_location_id) VALUES
  (101, 40, 20, 5, 3000), (102, 41, 20, 5, 3000), (103, 40, 20, 6, 9999), (104, 40, 0, 0, 3000);
INSERT INTO item_extra VALUES (101, 'Blue Train', 'ABCD.mp3', 1000, 643000),
  (102, 'Moment''s Notice', 'EFGH.m4a', 2000, 550000), (103, 'Locomotion', 'IJKL.mp3', 4000, 1000),
  (104, 'A Book', 'MNOP.epub', 8000, 0);
INSERT INTO item_stats VALUES (101, 80, 7), (102, 0, 0), (103, 20, 1), (104, 0, 0);
INSERT INTO db_info VALUES (1, 900);
INSERT INTO container (container_pid, distinguished_kind, name, smart_is_dynamic) VALUES
  (901, 0, 'Favourites', 0), (900, 0, 'Library', 0), (902, 17, NULL, 0), (903, 0, 'Smart', 1);
INSERT INTO container_items VALUES (900, X'65000000000000006600000000000000'), (901, X'660000000000000065000000000000000700000A');
