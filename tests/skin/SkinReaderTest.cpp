// The package codec against fixed vectors, and the reader against a good
// container and a table of hostile ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "skin/SkinLzh.h"
#include "skin/SkinPackageFixtures.h"
#include "skin/SkinReader.h"
#include "tools/skinpack/LzhufEncoder.h"

using skin::TSkinLoadStatus;
using skin::TSkinReader;
using namespace skin_test;

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < text.size() + 1; i += 3)
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

std::string Decode(const std::vector<uint8_t>& package) {
  uint32_t size = package[0] | package[1] << 8 | package[2] << 16 | static_cast<uint32_t>(package[3]) << 24;
  std::vector<uint8_t> out = skin::LzhDecode(size, package.data() + 4, package.size() - 4);
  return std::string(out.begin(), out.end());
}

TSkinLoadStatus LoadBytes(TSkinReader& reader, const std::vector<uint8_t>& package) {
  vcl::TMemoryStream stream;
  if (!package.empty()) stream.WriteBuffer(package.data(), static_cast<int64_t>(package.size()));
  stream.SetPosition(static_cast<int64_t>(package.size()) / 2);  // Load reads from the start
  return reader.Load(stream);
}

std::string Extract(const TSkinReader& reader, const std::string& name) {
  vcl::TMemoryStream dest;
  reader.ExtractMember(name, dest);
  EXPECT_EQ(dest.Position(), 0);
  return std::string(reinterpret_cast<const char*>(dest.Memory()), static_cast<size_t>(dest.Size()));
}

struct VectorCase {
  const char* bytes;
  std::string decoded;
  std::vector<Token> tokens;  // what the stream holds, when it was written on purpose
};

}  // namespace

TEST(SkinCodec, DecodesTheFixedVectorsAndTheEncoderWritesThem) {
  const std::vector<VectorCase> cases = {
      {"01 00 00 00 e6 80", "A", {Lit('A')}},
      // A dry source reads as zero bits: 't', then length-60 matches of it.
      {"05 00 00 00", "ttttt", {}},
      {"10 00 00 00", std::string(16, 't'), {}},
      {"01 00 00 00 ff ff", "s", {}},
      {"0a 00 00 00 e6 c9 00 00", "AAAAAAAAAA", {Lit('A'), Match(9, 0)}},
      // The same stream announcing 5 bytes stops inside the match.
      {"05 00 00 00 e6 c9 00 00", "AAAAA", {}},
      {"04 00 00 00 8d 00 00", "    ", {Match(4, 0)}},
      {"08 00 00 00 e6 f3 a3 c0 20", "ABABABAB", {Lit('A'), Lit('B'), Match(6, 1)}},
      {"14 00 00 00 ea 7c 7f 18 7f bd c4 b0 1b 5a",
       "Hello, Hello, Hello!",
       {Lit('H'), Lit('e'), Lit('l'), Lit('l'), Lit('o'), Lit(','), Match(13, 6), Lit('!')}},
  };
  for (const VectorCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::vector<uint8_t> package = Hex(c.bytes);
    EXPECT_EQ(Decode(package), c.decoded);
    if (!c.tokens.empty()) {
      EXPECT_EQ(EncodeTokens(c.tokens), std::vector<uint8_t>(package.begin() + 4, package.end()));
    }
  }
}

TEST(SkinCodec, PositionPrefixCodeCoversEveryUpperValue) {
  const int first_bytes[] = {0x00, 0x20, 0x30, 0x40, 0x50, 0x58};
  int expected_length[64];
  for (int v = 0; v < 64; ++v)
    expected_length[v] = v < 1 ? 3 : v < 4 ? 4 : v < 12 ? 5 : v < 24 ? 6 : v < 48 ? 7 : 8;
  int previous_end = 0;
  for (int v = 0; v < 64; ++v) {
    SCOPED_TRACE(v);
    skin::TLzhPositionCode code = skin::LzhPositionCode(v);
    ASSERT_EQ(code.length, expected_length[v]);
    int first = code.code << (8 - code.length);
    // Codes are canonical: each starts where the one before ended.
    EXPECT_EQ(first, previous_end);
    if (v < 6) {
      EXPECT_EQ(first, first_bytes[v]);
    }
    previous_end = first + (1 << (8 - code.length));
    for (int b = first; b < previous_end; ++b) {
      EXPECT_EQ(skin::LzhPositionUpper(static_cast<uint8_t>(b)), v);
      EXPECT_EQ(skin::LzhPositionLength(static_cast<uint8_t>(b)), code.length);
    }
  }
  EXPECT_EQ(previous_end, 256);
  EXPECT_EQ(skin::LzhPositionCode(63).code << 0, 0xFF);
}

TEST(SkinCodec, ScriptedStreamsDecodeToWhatTheyDescribe) {
  // The far end of the ring, the longest match, a match into the initial
  // spaces, and more symbols than the tree takes before its first rebuild.
  std::mt19937 random(28);
  std::vector<Token> tokens;
  std::string expected;
  // The ring starts as spaces with zeros in the 60 bytes past the write position.
  std::string ring(4096, ' ');
  std::fill(ring.begin() + 4036, ring.end(), '\0');
  size_t r = 4036;
  auto put = [&](char c) {
    ring[r] = c;
    r = (r + 1) % 4096;
    expected += c;
  };
  auto emit = [&](const Token& t) {
    tokens.push_back(t);
    if (t.literal >= 0) {
      put(static_cast<char>(t.literal));
      return;
    }
    size_t from = (r + 4096 - static_cast<size_t>(t.position) - 1) % 4096;
    for (int k = 0; k < t.length; ++k) put(ring[(from + static_cast<size_t>(k)) % 4096]);
  };
  emit(Match(3, 4095));
  emit(Match(60, 17));
  for (int i = 0; i < 40000; ++i) {
    if (random() % 5 == 0) {
      emit(Match(3 + static_cast<int>(random() % 58), static_cast<int>(random() % 4096)));
    } else {
      emit(Lit(static_cast<int>(random() % 256)));
    }
  }
  std::vector<uint8_t> package = Package(static_cast<uint32_t>(expected.size()), EncodeTokens(tokens));
  EXPECT_EQ(Decode(package), expected);
}

TEST(SkinCodec, TreeRebuildsAfterItsRootCountFills) {
  skin::TLzhufTree tree;
  EXPECT_EQ(tree.RootFrequency(), 314);
  for (int i = 0; i < 0x8000 - 314; ++i) tree.Update(i % 314);
  EXPECT_EQ(tree.RootFrequency(), 0x8000);
  tree.Update(0);  // the 32 455th symbol halves every count first
  EXPECT_LT(tree.RootFrequency(), 0x8000 / 2 + 400);
}

namespace {

const std::string kDescription = "[TitlebarSkin]\r\nSkinName=Tiny\r\n";

std::string TinyBmp() {
  std::vector<uint8_t> bmp = {'B', 'M'};
  PutWord(bmp, 58);
  PutWord(bmp, 0);
  PutWord(bmp, 54);
  PutWord(bmp, 40);
  PutWord(bmp, 1);
  PutWord(bmp, 1);
  bmp.insert(bmp.end(), {1, 0, 24, 0});
  while (bmp.size() < 54) bmp.push_back(0);
  bmp.insert(bmp.end(), {0x10, 0x20, 0x30, 0});
  return std::string(bmp.begin(), bmp.end());
}

}  // namespace

TEST(SkinReader, ReadsAContainerAndHandsOutItsMembers) {
  std::vector<uint8_t> container = Container({{"skin.ini", kDescription}, {"a.bmp", TinyBmp()}});
  ASSERT_EQ(container.size(), 130u);
  EXPECT_EQ(std::vector<uint8_t>(container.begin(), container.begin() + 26),
            Hex("20 4e 00 00 11 00 00 00 00 00 00 00 00 00 00 00 73 6b 69 6e 2e 69 6e 69 0d 0a"));
  TSkinReader reader;
  ASSERT_EQ(LoadBytes(reader, LiteralPackage(container)), TSkinLoadStatus::Ok);
  ASSERT_EQ(reader.MemberCount(), 2);
  EXPECT_EQ(reader.Names().Strings(0), "skin.ini");
  EXPECT_EQ(reader.Names().Strings(1), "a.bmp");
  EXPECT_EQ(reader.MemberSize(0), 31u);
  EXPECT_EQ(reader.MemberSize(1), 58u);

  vcl::TMemoryStream dest;
  std::string full_name = "unchanged";
  reader.ExtractMemberLike(".ini", dest, full_name);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(dest.Memory()), 31), kDescription);
  EXPECT_EQ(full_name, "skin.ini");
  // Stored names are lower case and the containment test keeps the text's case.
  full_name = "unchanged";
  reader.ExtractMemberLike("INI", dest, full_name);
  EXPECT_EQ(dest.Size(), 0);
  EXPECT_EQ(full_name, "unchanged");

  EXPECT_EQ(Extract(reader, "A.BMP"), TinyBmp());
  EXPECT_EQ(Extract(reader, "b.bmp"), "");
}

TEST(SkinReader, NamesSplitLikeTheStringListAndFirstOfTwinsWins) {
  // No break after the last name gives the same count as one.
  std::vector<uint8_t> c = Container({{"one.bmp", "1"}, {"Two.BMP", "22"}});
  std::string names = "one.bmp\r\nTwo.BMP";
  std::vector<uint8_t> unterminated;
  PutWord(unterminated, 20000);
  PutWord(unterminated, static_cast<uint32_t>(names.size()));
  PutWord(unterminated, 0);
  PutWord(unterminated, 0);
  unterminated.insert(unterminated.end(), names.begin(), names.end());
  PutWord(unterminated, 1);
  PutWord(unterminated, 2);
  unterminated.insert(unterminated.end(), {'1', '2', '2'});
  for (const auto& container : {c, unterminated}) {
    TSkinReader reader;
    ASSERT_EQ(LoadBytes(reader, LiteralPackage(container)), TSkinLoadStatus::Ok);
    EXPECT_EQ(reader.MemberCount(), 2);
    EXPECT_EQ(Extract(reader, "two.bmp"), "22");
  }

  TSkinReader reader;
  ASSERT_EQ(LoadBytes(reader, LiteralPackage(
                                  Container({{"a.bmp", "first"}, {"empty.bmp", ""}, {"a.bmp", "second"}}))),
            TSkinLoadStatus::Ok);
  EXPECT_EQ(Extract(reader, "a.bmp"), "first");
  EXPECT_EQ(Extract(reader, "empty.bmp"), "");
}

namespace {

struct HostileCase {
  const char* what;
  std::vector<uint8_t> package;
  TSkinLoadStatus status;
};

std::vector<uint8_t> WithWord(std::vector<uint8_t> container, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) container[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
  return container;
}

std::vector<Member> ManyMembers(int count) {
  std::vector<Member> members;
  for (int i = 0; i < count; ++i) members.push_back({std::to_string(i) + ".bmp", ""});
  return members;
}

std::vector<HostileCase> HostileCases() {
  const std::vector<uint8_t> good = Container({{"skin.ini", kDescription}, {"a.bmp", TinyBmp()}});
  // Offsets in `good`: L at 4, the two sizes at 33 and 37.
  std::vector<uint8_t> lines_only = {0x20, 0x4e, 0, 0};
  PutWord(lines_only, 1 << 20);
  PutWord(lines_only, 0);
  PutWord(lines_only, 0);
  lines_only.resize(lines_only.size() + (1 << 20), '\n');
  return {
      {"empty source", {}, TSkinLoadStatus::Corrupt},
      {"size word cut short", {0x10, 0x00}, TSkinLoadStatus::Corrupt},
      {"size 0xFFFFFFFF", Package(0xFFFFFFFF, {0xE6, 0x80}), TSkinLoadStatus::Corrupt},
      {"size one past the cap", Package(skin::kSkinMaxPackageSize + 1, {}), TSkinLoadStatus::Corrupt},
      {"older format word", LiteralPackage(Container({{"skin.ini", kDescription}}, 19999)),
       TSkinLoadStatus::OlderFormat},
      {"decoded size 12", LiteralPackage(std::vector<uint8_t>(good.begin(), good.begin() + 12)),
       TSkinLoadStatus::Corrupt},
      {"name list length 0xFFFFFFF0", LiteralPackage(WithWord(good, 4, 0xFFFFFFF0)),
       TSkinLoadStatus::Corrupt},
      {"name list past the data", LiteralPackage(WithWord(good, 4, 200)), TSkinLoadStatus::Corrupt},
      {"size table past the data", LiteralPackage(std::vector<uint8_t>(good.begin(), good.begin() + 36)),
       TSkinLoadStatus::Corrupt},
      {"1002 names", LiteralPackage(Container(ManyMembers(1002))), TSkinLoadStatus::Corrupt},
      {"a million empty lines", LiteralPackage(lines_only), TSkinLoadStatus::Corrupt},
      {"sizes summing past the bytes held", LiteralPackage(WithWord(good, 37, 59)), TSkinLoadStatus::Corrupt},
      {"huge member", LiteralPackage(WithWord(good, 37, 0x7FFFFFFF)), TSkinLoadStatus::Corrupt},
      {"sizes that wrap 32 bits", LiteralPackage(WithWord(WithWord(good, 33, 0xFFFFFFFF), 37, 2)),
       TSkinLoadStatus::Corrupt},
      {"1001 names", LiteralPackage(Container(ManyMembers(1001))), TSkinLoadStatus::Ok},
      {"sizes short of the bytes held", LiteralPackage(WithWord(good, 37, 57)), TSkinLoadStatus::Ok},
  };
}

}  // namespace

TEST(SkinReader, RefusesHostilePackagesWithAStatus) {
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.what);
    TSkinReader reader;
    // A reader that held a good package drops it on any refusal.
    ASSERT_EQ(LoadBytes(reader, LiteralPackage(Container({{"old.bmp", "x"}}))), TSkinLoadStatus::Ok);
    EXPECT_EQ(LoadBytes(reader, c.package), c.status);
    if (c.status != TSkinLoadStatus::Ok) {
      EXPECT_EQ(reader.MemberCount(), 0);
      EXPECT_EQ(reader.DataSize(), 0);
      EXPECT_EQ(Extract(reader, "old.bmp"), "");
    }
  }
}

TEST(SkinReader, TruncatedStreamsDecodeOnWithZeroBits) {
  // Every cut of a good package gives exactly the announced bytes, and the
  // reader answers each with a status.
  std::vector<uint8_t> container = Container({{"skin.ini", kDescription}, {"a.bmp", TinyBmp()}});
  std::vector<uint8_t> package = LiteralPackage(container);
  for (size_t cut = 4; cut < package.size(); ++cut) {
    std::vector<uint8_t> part(package.begin(), package.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(Decode(part).size(), container.size());
    TSkinReader reader;
    TSkinLoadStatus status = LoadBytes(reader, part);
    if (status == TSkinLoadStatus::Ok) {
      EXPECT_LE(reader.DataSize(), 130u);
    }
  }
}

TEST(SkinCompressor, RoundTripsThroughTheReader) {
  std::mt19937 random(7);
  std::vector<uint8_t> noise(70000);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  std::vector<uint8_t> text;
  const std::string words[] = {"[Buttons]\r\n", "LeftWidth=3\r\n", "Bitmap=button.bmp\r\n", "Tile=0\r\n"};
  while (text.size() < 50000) {
    const std::string& w = words[random() % 4];
    text.insert(text.end(), w.begin(), w.end());
  }
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    size_t most;  // the compressed size may not exceed this
  };
  const std::vector<Case> cases = {
      {"empty", {}, 4},
      {"one byte", {'A'}, 6},
      {"constant", std::vector<uint8_t>(100000, 0xAB), 3000},
      {"zeros", std::vector<uint8_t>(5000, 0), 200},
      {"incompressible", noise, noise.size() * 9 / 8 + 16},
      {"repetitive text", text, text.size() / 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> package = skinpack::LzhCompress(c.data);
    EXPECT_LE(package.size(), c.most);
    EXPECT_EQ(Decode(package), std::string(c.data.begin(), c.data.end()));
  }
  // Runs of spaces come from the ring's initial contents: the fixed vector.
  EXPECT_EQ(skinpack::LzhCompress({' ', ' ', ' ', ' '}), Hex("04 00 00 00 8d 00 00"));

  // A whole container packed by the compressor reads back member for member.
  std::string bmp(std::string(3000, '\x10') + std::string(noise.begin(), noise.begin() + 3000));
  TSkinReader reader;
  ASSERT_EQ(
      LoadBytes(reader, skinpack::LzhCompress(Container({{"skin.ini", kDescription}, {"big.bmp", bmp}}))),
      TSkinLoadStatus::Ok);
  EXPECT_EQ(Extract(reader, "big.bmp"), bmp);
  EXPECT_EQ(Extract(reader, "skin.ini"), kDescription);
}
