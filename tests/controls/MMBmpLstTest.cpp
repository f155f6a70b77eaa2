// The bitmap list: its stored form in both shapes (sizes, pieces, round
// trips, the encode hooks), damaged streams refused with the list left empty,
// change notices once per outermost update, and a form that carries a list.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMBmpLst.h"
#include "controls/MMLZBlock.h"
#include "engine/MMObsrv.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"

namespace controls {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::ImageOf;
using testing::PatternBitmap;

int32_t Int32At(const Bytes& b, size_t at) {
  int32_t v = 0;
  std::memcpy(&v, &b[at], 4);
  return v;
}

void PutInt32(Bytes& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }

Bytes Written(TMMBitmapList& list) {
  vcl::TMemoryStream stream;
  list.WriteData(stream);
  return {stream.Memory(), stream.Memory() + stream.Size()};
}

void ReadInto(TMMBitmapList& list, const Bytes& bytes) {
  vcl::TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  list.ReadData(stream);
}

// Counts what a list tells its handlers and one observer.
struct Listener {
  explicit Listener(TMMBitmapList& list) {
    list.OnChanging = [this](vcl::TObject*) { ++changing; };
    list.OnChange = [this](vcl::TObject*) { ++changed; };
    observer.OnNotify = [this, &list](engine::TMMObserver*, void* data) {
      ++notices;
      EXPECT_EQ(data, &list);
    };
    list.AddObserver(&observer);
  }
  void Reset() { changing = changed = notices = 0; }
  int changing = 0, changed = 0, notices = 0;
  engine::TMMObserver observer;
};

// Three bitmaps of different sizes, as DIBs so they save as they are.
void Fill(TMMBitmapList& list) {
  list.SetHandleType(vcl::bmDIB);
  list.Add(PatternBitmap(132, 36, 1).get());
  list.Add(PatternBitmap(7, 5, 2).get());
  list.Add(PatternBitmap(200, 60, 3).get());
}
// A first chunk that stays stored: the longest block a reader must take.
void AddNoise(TMMBitmapList& list) { list.Add(testing::NoiseBitmap(110, 100, 8).get()); }

// ---- stored form -------------------------------------------------------------

TEST(MMBmpLstTest, PlainEntriesHoldTheBitmapImageWithItsLength) {
  TMMBitmapList list(nullptr);
  list.SetHandleType(vcl::bmDIB);
  list.Add(PatternBitmap(132, 36, 1).get());
  const Bytes stored = Written(list);
  ASSERT_EQ(stored.size(), 12u + 14310u);
  EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), "MBML");
  EXPECT_EQ(Int32At(stored, 4), 1);
  EXPECT_EQ(Int32At(stored, 8), 14310);  // 54 bytes of headers + 132 x 36 x 3
  EXPECT_EQ(std::string(stored.begin() + 12, stored.begin() + 14), "BM");
}

TEST(MMBmpLstTest, CompressedEntriesAreChunksOfAtMostOnePieceEach) {
  struct Case {
    int width, height;
    std::vector<size_t> pieces;  // image bytes each chunk decodes to
  } cases[] = {{132, 36, {14310}}, {200, 60, {kLZChunkSize, 54 + 36000 - kLZChunkSize}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    TMMBitmapList list(nullptr);
    list.SetHandleType(vcl::bmDIB);
    list.SetCompressed(true);
    auto source = PatternBitmap(c.width, c.height, 4);
    list.Add(source.get());
    const Bytes stored = Written(list);
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), "MBMC");
    EXPECT_EQ(Int32At(stored, 4), 1);
    const int32_t total = Int32At(stored, 8);
    EXPECT_EQ(static_cast<size_t>(total), stored.size() - 12);
    size_t at = 12;
    Bytes image;
    for (size_t piece : c.pieces) {
      const auto length = static_cast<size_t>(Int32At(stored, at));
      const size_t before = image.size();
      ASSERT_TRUE(LZDecompressBlock(&stored[at + 4], length, image));
      EXPECT_EQ(image.size() - before, piece);
      at += 4 + length;
    }
    EXPECT_EQ(at, stored.size());
    EXPECT_EQ(image, ImageOf(*source));
    // The same image codes to the same chunks.
    EXPECT_EQ(Written(list), stored);
  }
  TMMBitmapList noise(nullptr);
  noise.SetHandleType(vcl::bmDIB);
  noise.SetCompressed(true);
  AddNoise(noise);
  const Bytes stored = Written(noise);
  EXPECT_EQ(static_cast<size_t>(Int32At(stored, 12)), kLZMaxBlockSize);
  EXPECT_EQ(stored[16], 0x80);
}

TEST(MMBmpLstTest, BothFormsReadBackTheSameBitmapsInOrder) {
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "MBMC" : "MBML");
    TMMBitmapList source(nullptr);
    Fill(source);
    AddNoise(source);
    source.SetCompressed(compressed);
    TMMBitmapList copy(nullptr);
    copy.SetHandleType(vcl::bmDIB);
    copy.Add(PatternBitmap(3, 3, 9).get());  // replaced by the read
    Listener listener(copy);
    ReadInto(copy, Written(source));
    EXPECT_EQ(listener.changing, 1);
    EXPECT_EQ(listener.notices, 1);
    EXPECT_EQ(listener.changed, 1);
    ASSERT_EQ(copy.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ImageOf(*copy.GetBitmap(i)), ImageOf(*source.GetBitmap(i)));
  }
}

TEST(MMBmpLstTest, EncodeAndDecodeHooksSeeEveryChunkInPlace) {
  TMMBitmapList source(nullptr);
  Fill(source);
  source.SetCompressed(true);
  const Bytes clear = Written(source);
  int encoded = 0;
  source.OnEncode = [&](vcl::TObject*, uint8_t* buffer, uint32_t length) {
    ++encoded;
    for (uint32_t i = 0; i < length; ++i) buffer[i] ^= 0x55;
  };
  const Bytes scrambled = Written(source);
  EXPECT_EQ(encoded, 4);  // the 200 x 60 image takes two chunks
  ASSERT_EQ(scrambled.size(), clear.size());
  EXPECT_NE(scrambled, clear);

  TMMBitmapList copy(nullptr);
  copy.SetHandleType(vcl::bmDIB);
  EXPECT_THROW(ReadInto(copy, scrambled), vcl::Exception);
  EXPECT_EQ(copy.Count(), 0);
  int loaded = 0;
  copy.OnDecode = [](vcl::TObject*, uint8_t* buffer, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) buffer[i] ^= 0x55;
  };
  copy.OnBmpLoaded = [&](vcl::TObject* sender, vcl::TBitmap* bmp) {
    EXPECT_EQ(sender, &copy);
    EXPECT_EQ(bmp, copy.GetBitmap(loaded));
    ++loaded;
  };
  ReadInto(copy, scrambled);
  EXPECT_EQ(loaded, 3);
  ASSERT_EQ(copy.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ImageOf(*copy.GetBitmap(i)), ImageOf(*source.GetBitmap(i)));
}

TEST(MMBmpLstTest, AnEmptyStreamListReadsEmpty) {
  TMMBitmapList list(nullptr);
  Fill(list);
  ReadInto(list, {'M', 'B', 'M', 'C', 0, 0, 0, 0});
  EXPECT_EQ(list.Count(), 0);
}

// ---- damaged streams -----------------------------------------------------------

struct Damage {
  const char* name;
  bool compressed;
  std::function<void(Bytes&)> apply;
};

TEST(MMBmpLstTest, DamagedStreamsAreRefusedAndLeaveTheListEmpty) {
  // One small entry: at 8 its length (T or L), at 12 the first C.
  const Damage cases[] = {
      {"wrong magic", false, [](Bytes& b) { b[3] = 'X'; }},
      {"negative count", false, [](Bytes& b) { PutInt32(b, 4, -1); }},
      {"count beyond the bytes there", false, [](Bytes& b) { PutInt32(b, 4, 1 << 30); }},
      {"L = -1", false, [](Bytes& b) { PutInt32(b, 8, -1); }},
      {"L past the end", false, [](Bytes& b) { PutInt32(b, 8, Int32At(b, 8) + 1); }},
      {"T negative", true, [](Bytes& b) { PutInt32(b, 8, -8); }},
      {"T past the end", true, [](Bytes& b) { PutInt32(b, 8, Int32At(b, 8) + 1); }},
      {"T ends inside a chunk length", true,
       [](Bytes& b) {
         PutInt32(b, 8, Int32At(b, 8) + 2);
         b.resize(b.size() + 4);
       }},
      {"C = -4", true, [](Bytes& b) { PutInt32(b, 12, -4); }},
      {"C longer than any block", true,
       [](Bytes& b) {
         const auto big = static_cast<int32_t>(kLZMaxBlockSize + 1);
         PutInt32(b, 8, big + 4);
         PutInt32(b, 12, big);
         b.resize(16 + kLZMaxBlockSize + 1, 0x80);
         b[16] = 0x80;
       }},
      {"C past T", true, [](Bytes& b) { PutInt32(b, 12, Int32At(b, 8) - 3); }},
      {"copy before the start of its chunk", true,
       [](Bytes& b) {
         const Bytes block = {0x40, 0x80, 0x00, 0x00, 0x31};
         b.resize(16);
         PutInt32(b, 8, 4 + 5);
         PutInt32(b, 12, 5);
         b.insert(b.end(), block.begin(), block.end());
       }},
      {"a run longer than a piece", true,
       [](Bytes& b) {
         const Bytes block = {0x40, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0x00};
         b.resize(16);
         PutInt32(b, 8, 4 + 7);
         PutInt32(b, 12, 7);
         b.insert(b.end(), block.begin(), block.end());
       }},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    TMMBitmapList source(nullptr);
    source.SetCompressed(c.compressed);
    source.Add(PatternBitmap(4, 2, 5).get());
    Bytes bytes = Written(source);
    c.apply(bytes);
    TMMBitmapList list(nullptr);
    Fill(list);
    Listener listener(list);
    EXPECT_THROW(ReadInto(list, bytes), vcl::EStreamError);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(listener.notices, 1);
    EXPECT_EQ(listener.changing, 1);
  }
  try {
    TMMBitmapList list(nullptr);
    ReadInto(list, {'M', 'B', 'M', 'X', 0, 0, 0, 0});
    ADD_FAILURE() << "no error";
  } catch (const vcl::EStreamError& e) {
    EXPECT_EQ(e.Message(), "Invalid BitmapList stream");
  }
}

TEST(MMBmpLstTest, EveryCutOfAStoredListIsRefused) {
  for (bool compressed : {false, true}) {
    TMMBitmapList source(nullptr);
    source.SetCompressed(compressed);
    source.Add(PatternBitmap(4, 2, 5).get());
    source.Add(PatternBitmap(3, 3, 6).get());
    const Bytes whole = Written(source);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      SCOPED_TRACE(std::string(compressed ? "MBMC" : "MBML") + " cut at " + std::to_string(cut));
      TMMBitmapList list(nullptr);
      EXPECT_THROW(ReadInto(list, Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))),
                   vcl::EStreamError);
      EXPECT_EQ(list.Count(), 0);
      EXPECT_EQ(list.UpdateCount(), 0);
    }
  }
}

// ---- change notices --------------------------------------------------------------

struct Operation {
  const char* name;
  std::function<void(TMMBitmapList&)> run;
  int count_after;
  int changing = 1;  // a listed bitmap tells only of its change
};

TEST(MMBmpLstTest, EachChangeSendsOnePairOutsideAnUpdate) {
  auto other = std::make_unique<TMMBitmapList>(nullptr);
  other->Add(PatternBitmap(2, 2, 1).get());
  const Bytes stored = Written(*other);
  const Operation cases[] = {
      {"Add", [](TMMBitmapList& l) { l.Add(PatternBitmap(2, 2, 7).get()); }, 4},
      {"Insert", [](TMMBitmapList& l) { l.Insert(1, PatternBitmap(2, 2, 7).get()); }, 4},
      {"Delete", [](TMMBitmapList& l) { l.Delete(0); }, 2},
      {"Move", [](TMMBitmapList& l) { l.Move(0, 2); }, 3},
      {"Clear", [](TMMBitmapList& l) { l.Clear(); }, 0},
      {"Assign", [&](TMMBitmapList& l) { l.Assign(other.get()); }, 1},
      {"Assign nil", [](TMMBitmapList& l) { l.Assign(nullptr); }, 0},
      {"ReadData", [&](TMMBitmapList& l) { ReadInto(l, stored); }, 1},
      {"drawing into a listed bitmap", [](TMMBitmapList& l) { l.GetBitmap(1)->Canvas()->SetPixels(0, 0, 0); },
       3, 0},
      {"nested updates around several changes",
       [](TMMBitmapList& l) {
         l.BeginUpdate();
         l.BeginUpdate();
         l.Delete(0);
         l.EndUpdate();
         l.Add(PatternBitmap(2, 2, 7).get());
         l.EndUpdate();
       },
       3},
      {"a handler that changes the list again",
       [](TMMBitmapList& l) {
         vcl::TNotifyEvent counting = l.OnChange;
         l.OnChange = [&l, counting](vcl::TObject* sender) {
           counting(sender);
           l.Add(PatternBitmap(1, 1, 1).get());
         };
         l.Delete(0);
       },
       3},
  };
  for (const Operation& c : cases) {
    SCOPED_TRACE(c.name);
    TMMBitmapList list(nullptr);
    Fill(list);
    Listener listener(list);
    c.run(list);
    EXPECT_EQ(list.Count(), c.count_after);
    EXPECT_EQ(listener.changing, c.changing);
    EXPECT_EQ(listener.notices, 1);
    EXPECT_EQ(listener.changed, 1);
    EXPECT_EQ(list.UpdateCount(), 0);
  }
}

TEST(MMBmpLstTest, AssignCopiesBitmapsAndCompressedButNotHandleTypeOrEvents) {
  TMMBitmapList source(nullptr);
  Fill(source);
  source.SetCompressed(true);
  TMMBitmapList copy(nullptr);
  copy.SetHandleType(vcl::bmDDB);
  copy.Assign(&source);
  EXPECT_TRUE(copy.Compressed());
  EXPECT_EQ(copy.HandleType(), vcl::bmDDB);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_NE(copy.GetBitmap(0), source.GetBitmap(0));
  EXPECT_EQ(copy.GetBitmap(0)->HandleType(), vcl::bmDDB);
  EXPECT_EQ(copy.GetBitmap(2)->Width(), 200);
  EXPECT_THROW(copy.GetBitmap(3), vcl::EListError);
  EXPECT_THROW(copy.GetBitmap(-1), vcl::EListError);
  vcl::TBitmap not_a_list;
  EXPECT_THROW(copy.Assign(&not_a_list), vcl::Exception);
}

TEST(MMBmpLstTest, DestroyingTheListSendsOneLastNoticeAndDetachesObservers) {
  auto list = std::make_unique<TMMBitmapList>(nullptr);
  Fill(*list);
  int fired = 0;
  list->OnChange = [&](vcl::TObject*) { ++fired; };
  engine::TMMObserver observer;
  int notices = 0;
  observer.OnNotify = [&](engine::TMMObserver*, void*) { ++notices; };
  list->AddObserver(&observer);
  list.reset();
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(observer.Observable(), nullptr);
}

// ---- a form that carries a list ----------------------------------------------

class MMBmpLstFormTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { vcl::RegisterClass(TMMBitmapList::StaticClass()); }
};

TEST_F(MMBmpLstFormTest, AFormWritesAndReadsItsListInBothForms) {
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "MBMC" : "MBML");
    auto form = std::make_unique<vcl::TForm>(nullptr);
    form->SetName("Main");
    auto* list = new TMMBitmapList(form.get());
    list->SetName("BitmapList1");
    list->SetCompressed(compressed);
    Fill(*list);
    const std::string text = vcl::WriteFormText(form.get());
    EXPECT_NE(text.find("ListItems = {"), std::string::npos);
    EXPECT_EQ(text.find("Compressed = True") != std::string::npos, compressed);

    auto read = std::make_unique<vcl::TForm>(nullptr);
    vcl::ReadFormText(read.get(), text);
    auto* back = dynamic_cast<TMMBitmapList*>(read->FindComponent("BitmapList1"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Compressed(), compressed);
    EXPECT_EQ(back->HandleType(), vcl::bmDIB);
    ASSERT_EQ(back->Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ImageOf(*back->GetBitmap(i)), ImageOf(*list->GetBitmap(i)));
    EXPECT_EQ(vcl::WriteFormText(read.get()), text);
  }
  // An empty list writes no ListItems.
  vcl::TForm form(nullptr);
  auto* empty = new TMMBitmapList(&form);
  empty->SetName("Empty");
  EXPECT_EQ(vcl::WriteFormText(&form).find("ListItems"), std::string::npos);
}

}  // namespace
}  // namespace controls
