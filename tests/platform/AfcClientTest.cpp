// The file service's requests against a device played by a script: replies
// checked before they are taken in, deadlines, and a stop from another
// thread.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "platform/linux/AfcClient.h"

namespace ortelan::platform {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::string_view_literals;

void PutU64(Bytes& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A reply as a device sends it: header, arguments, payload.
Bytes Packet(uint64_t number, uint64_t operation, const Bytes& arguments, const Bytes& payload,
             const char* magic = "CFA6LPAA") {
  Bytes out(magic, magic + 8);
  PutU64(out, 40 + arguments.size() + payload.size());
  PutU64(out, 40 + arguments.size());
  PutU64(out, number);
  PutU64(out, operation);
  out.insert(out.end(), arguments.begin(), arguments.end());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Hands out the scripted bytes in pieces of at most `Piece`; once they are
// used up it stays silent (or reports the connection closed).
class ScriptChannel : public AfcChannel {
 public:
  std::deque<uint8_t> Pending;
  size_t Piece = 1 << 20;
  bool ClosedAtEnd = false;
  std::vector<Bytes> Sent;
  int SilentWaitMs = 0;  // the waits spent with nothing to give

  void Script(const Bytes& bytes) { Pending.insert(Pending.end(), bytes.begin(), bytes.end()); }
  bool Send(std::span<const uint8_t> bytes) override {
    Sent.emplace_back(bytes.begin(), bytes.end());
    return true;
  }
  int64_t Receive(uint8_t* buffer, size_t room, int waitMs) override {
    if (Pending.empty()) {
      if (ClosedAtEnd) return -1;
      SilentWaitMs += waitMs;
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(waitMs, 5)));
      return 0;
    }
    const size_t count = std::min({room, Piece, Pending.size()});
    for (size_t i = 0; i < count; ++i, Pending.pop_front()) buffer[i] = Pending.front();
    return static_cast<int64_t>(count);
  }
};

class Afc : public ::testing::Test {
 protected:
  Afc() {
    auto owned = std::make_unique<ScriptChannel>();
    channel = owned.get();
    client = std::make_unique<AfcClient>(std::move(owned), 1000);
  }
  ScriptChannel* channel;
  std::unique_ptr<AfcClient> client;
};

TEST_F(Afc, RequestsAreFramedAndRepliesInPiecesAreJoined) {
  channel->Piece = 3;
  channel->Script(Packet(1, 0x02, {},
                         Text("st_size\0"
                              "12\0st_ifmt\0S_IFREG\0"sv)));
  Bytes handle;
  PutU64(handle, 7);
  channel->Script(Packet(2, 0x0E, handle, {}));
  channel->Script(Packet(3, 0x02, {}, Text("hello")));
  Bytes notFound;
  PutU64(notFound, 8);
  channel->Script(Packet(4, 0x01, notFound, {}));

  std::vector<AfcInfoPair> info;
  ASSERT_EQ(client->FileInfo("/a.mp3", info), kMobileOk);
  ASSERT_EQ(info.size(), 2u);
  EXPECT_EQ(info[0].Key, "st_size");
  EXPECT_EQ(info[1].Value, "S_IFREG");
  uint64_t file = 0;
  ASSERT_EQ(client->OpenForReading("/a.mp3", file), kMobileOk);
  EXPECT_EQ(file, 7u);
  uint8_t buffer[8] = {};
  uint32_t count = sizeof buffer;
  ASSERT_EQ(client->Read(file, buffer, count), kMobileOk);
  EXPECT_EQ(std::string(buffer, buffer + count), "hello");
  std::vector<std::string> names;
  EXPECT_EQ(client->ReadDirectory("/none", names), 8u);  // AFC's own code passes through

  // The first request as the device sees it: header, then the path with its NUL.
  const Bytes& first = channel->Sent[0];
  ASSERT_EQ(first.size(), 40u + 7u);
  EXPECT_EQ(std::memcmp(first.data(), "CFA6LPAA", 8), 0);
  EXPECT_EQ(first[8], 47);     // whole length
  EXPECT_EQ(first[24], 1);     // packet number
  EXPECT_EQ(first[32], 0x0A);  // file information
  EXPECT_EQ(std::string(first.begin() + 40, first.end()), std::string("/a.mp3\0", 7));
  const Bytes& read = channel->Sent[2];
  EXPECT_EQ(read[32], 0x0F);
  EXPECT_EQ(read[48], sizeof buffer);  // asks for no more than there is room for
}

// Replies that break the protocol are refused before anything is taken in,
// and the connection is not used again: the stream is out of step. A whole
// reply of the wrong content is refused alone.
TEST_F(Afc, DamagedRepliesAreRefusedAndEndTheConnection) {
  struct Case {
    const char* what;
    Bytes reply;
    bool endsConnection = true;
  } cases[] = {
      {"more bytes than asked for", Packet(1, 0x02, {}, Bytes(9, 'x'))},
      {"a length that claims 4 GiB",
       [] {
         Bytes b = Packet(1, 0x02, {}, {});
         b[8] = 0xFF, b[9] = 0xFF, b[10] = 0xFF, b[11] = 0xFF;
         return b;
       }()},
      {"a whole shorter than its header",
       [] {
         Bytes b = Packet(1, 0x02, Text("abcd"), {});
         b[8] = 40;
         return b;
       }()},
      {"another request's reply", Packet(5, 0x02, {}, Text("x"))},
      {"a wrong magic", Packet(1, 0x02, {}, Text("x"), "CFA6LPAB")},
      {"a status without its code", Packet(1, 0x01, Text("ab"), {}), false},
  };
  for (const Case& c : cases) {
    auto owned = std::make_unique<ScriptChannel>();
    owned->Script(c.reply);
    owned->Script(Packet(2, 0x01, Bytes(8, 0), {}));  // a good reply after it
    AfcClient afc(std::move(owned), 1000);
    uint8_t buffer[8] = {};
    uint32_t count = sizeof buffer;
    EXPECT_EQ(afc.Read(1, buffer, count), kMobileBadReply) << c.what;
    EXPECT_EQ(count, 0u) << c.what;
    EXPECT_EQ(afc.Close(1), c.endsConnection ? kMobileBadReply : kMobileOk) << c.what;
  }
}

TEST_F(Afc, ASilentDeviceTimesOutAndAClosedOneIsGone) {
  const Bytes whole = Packet(1, 0x02, {}, Text("abcdef"));
  channel->Script(Bytes(whole.begin(), whole.end() - 3));  // cut mid-reply
  uint8_t buffer[8] = {};
  uint32_t count = sizeof buffer;
  EXPECT_EQ(client->Read(1, buffer, count), kMobileTimedOut);
  EXPECT_GE(channel->SilentWaitMs, 1000);
  EXPECT_EQ(client->Close(1), kMobileTimedOut);

  auto closing = std::make_unique<ScriptChannel>();
  closing->ClosedAtEnd = true;
  AfcClient gone(std::move(closing), 1000);
  EXPECT_EQ(gone.Read(1, buffer, count), kMobileGone);
}

// A device that trickles a byte now and then is not silent: the deadline
// counts from the last byte.
TEST_F(Afc, TheDeadlineCountsFromTheLastByte) {
  class Trickle : public ScriptChannel {
   public:
    int64_t Receive(uint8_t* buffer, size_t room, int waitMs) override {
      if (++calls % 4 != 0) {
        SilentWaitMs += waitMs;
        return 0;  // 3 x 200 ms of silence between bytes: never 1 s
      }
      return ScriptChannel::Receive(buffer, std::min<size_t>(room, 1), waitMs);
    }
    int calls = 0;
  };
  auto owned = std::make_unique<Trickle>();
  Trickle* trickle = owned.get();
  trickle->Script(Packet(1, 0x02, {}, Text("ab")));
  AfcClient afc(std::move(owned), 1000);
  uint8_t buffer[4] = {};
  uint32_t count = sizeof buffer;
  EXPECT_EQ(afc.Read(1, buffer, count), kMobileOk);
  EXPECT_EQ(std::string(buffer, buffer + count), "ab");
  EXPECT_GT(trickle->SilentWaitMs, 1000);
}

TEST_F(Afc, AStopFromAnotherThreadEndsAWaitingRequestAtOnce) {
  auto owned = std::make_unique<ScriptChannel>();
  AfcClient afc(std::move(owned), kDeviceSilenceLimitMs);  // 20 s of patience
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    afc.Abort();
  });
  const auto start = std::chrono::steady_clock::now();
  std::vector<AfcInfoPair> info;
  EXPECT_EQ(afc.FileInfo("/a", info), kMobileStopped);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(afc.FileInfo("/a", info), kMobileStopped);
}

TEST(AfcTexts, SplitAtEachNulWithALastUnendedText) {
  const Bytes bytes = Text(".\0..\0a b\0\0last"sv);
  EXPECT_EQ(SplitAfcTexts(bytes), (std::vector<std::string>{".", "..", "a b", "", "last"}));
  EXPECT_TRUE(SplitAfcTexts({}).empty());
}

}  // namespace
}  // namespace ortelan::platform
