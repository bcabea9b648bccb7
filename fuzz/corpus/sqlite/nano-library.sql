
CREATE TABLE genre_map (id INTEGER PRIMARY KEY, genre TEXT);
CREATE TABLE item (pid INTEGER PRIMARY KEY, media_kind INTEGER DEFAULT 1, title TEXT,
  artist TEXT, album TEXT, total_time_ms INTEGER, genre_id INTEGER DEFAULT 0);
CREATE TABLE db_info (pid INTEGER PRIMARY KEY, primary_container_pid INTEGER);
CREATE TABLE container (pid INTEGER PRIMARY KEY, distinguished_kind INTEGER DEFAULT 0, name TEXT,
  media_kinds INTEGER DEFAULT 1);
CREATE TABLE item_to_container (item_pid INTEGER, container_pid INTEGER, physical_order INTEGER);

INSERT INTO genre_map (genre) VALUES ('Rock'), ('Pop');
INSERT INTO item (pid, title, artist, album, total_time_ms, genre_id) VALUES
  (11, 'One', 'A', 'X', 61000, 1), (12, 'Two', 'B', 'Y', 1000, 2), (13, 'Three', 'C', 'Z', 0, 7),
  (14, 'Book', 'D', 'W', 0, 0), (15, 'Nowhere', 'E', 'V', 0, 0);
INSERT INTO db_info VALUES (1, 50);
INSERT INTO container (pid, name, media_kinds) VALUES (51, NULL, 0), (50, 'Nano', 1), (52, 'Mix', 1);
INSERT INTO item_to_container VALUES (12, 52, 0), (11, 52, 1), (11, 50, 0);

CREATE TABLE base_location (id INTEGER PRIMARY KEY, path TEXT);
CREATE TABLE location (item_pid INTEGER, sub_id INTEGER DEFAULT 0, base_location_id INTEGER,
  location TEXT, file_size INTEGER);

INSERT INTO base_location VALUES (1, 'iPod_Control/Music'), (2, NULL);
INSERT INTO location (item_pid, base_location_id, location, file_size) VALUES
  (11, 1, 'F00/AAAA.mp3', 100), (12, 0, 'iPod_Control/Music/F01/BBBB.m4a', 200),
  (13, 2, 'F02/CCCC.mp3', 400), (14, 1, 'F03/DDDD.epub', 800), (99, 1, 'F04/EEEE.mp3', 1600),
  (13, 2, NULL, 4000);

CREATE TABLE item_stats (item_pid INTEGER PRIMARY KEY, play_count_user INTEGER DEFAULT 0,
  user_rating INTEGER DEFAULT 0);
INSERT INTO item_stats VALUES (12, 3, 60);