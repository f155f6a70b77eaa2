// Lists, string lists, bits and streams, with file round trips.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TestClasses.h"
#include "support/TempDir.h"

namespace vcltest {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ListTest, EditsAndBounds) {
  int a = 1, b = 2, c = 3;
  TList list;
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&b);
  list.Insert(0, &c);  // c a nil b
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.IndexOf(&b), 3);
  list.Exchange(0, 3);  // b a nil c
  list.Move(3, 0);      // c b a nil
  EXPECT_EQ(list.Items(0), &c);
  EXPECT_EQ(list.Items(2), &a);
  list.Pack();  // c b a
  EXPECT_EQ(list.Count(), 3);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &c);
  EXPECT_EQ(list.Remove(&b), 1);
  EXPECT_EQ(list.Remove(&b), -1);
  try {
    list.Items(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(4, &a), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListTest, TextSplitsOnAnyLineBreak) {
  TStringList list;
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  for (const Case& c : {Case{"a\r\nb\r\n", {"a", "b"}}, Case{"a\nb", {"a", "b"}}, Case{"a\rb\r", {"a", "b"}},
                        Case{"a\r\n\r\nb", {"a", "", "b"}}, Case{"", {}}, Case{"\n", {""}}}) {
    list.SetText(c.text);
    ASSERT_EQ(list.Count(), static_cast<int>(c.lines.size())) << c.text;
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Strings(i), c.lines[i]);
  }
  list.SetText("x\ny");
  EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(StringListTest, CommaText) {
  TStringList list;
  struct Case {
    const char* text;
    std::vector<std::string> lines;
    const char* back;
  };
  for (const Case& c : {Case{"a,b,c", {"a", "b", "c"}, "a,b,c"},
                        Case{"\"x y\",\"q\"\"t\", z", {"x y", "q\"t", "z"}, "\"x y\",\"q\"\"t\",z"},
                        Case{"a b", {"a", "b"}, "a,b"}, Case{"a,", {"a", ""}, "a,"},
                        Case{"\"\"", {""}, "\"\""}, Case{",a", {"", "a"}, ",a"}}) {
    list.SetCommaText(c.text);
    ASSERT_EQ(list.Count(), static_cast<int>(c.lines.size())) << c.text;
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Strings(i), c.lines[i]) << c.text;
    EXPECT_EQ(list.CommaText(), c.back);
  }
}

TEST(StringListTest, NamesAndValues) {
  TStringList list;
  list.SetText("Rate=44100\nBits=16\nplain");
  EXPECT_EQ(list.Values("rate"), "44100");
  EXPECT_EQ(list.Names(1), "Bits");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(1), "16");
  list.SetValues("Bits", "24");
  list.SetValues("Channels", "2");
  list.SetValues("Rate", "");
  EXPECT_EQ(list.Text(), "Bits=24\r\nplain\r\nChannels=2\r\n");
  EXPECT_EQ(list.IndexOfName("channels"), 2);
}

TEST(StringListTest, SortedListsAndDuplicates) {
  struct Case {
    TDuplicates duplicates;
    bool case_sensitive;
    std::vector<std::string> expect;
  };
  for (const Case& c : {Case{dupIgnore, false, {"a", "B", "c"}}, Case{dupAccept, false, {"a", "b", "B", "c"}},
                        Case{dupIgnore, true, {"B", "a", "b", "c"}}}) {
    TStringList list;
    list.SetCaseSensitive(c.case_sensitive);
    list.SetDuplicates(c.duplicates);
    list.SetSorted(true);
    for (const char* s : {"c", "B", "a", "b"}) list.Add(s);
    ASSERT_EQ(list.Count(), static_cast<int>(c.expect.size()));
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Strings(i), c.expect[i]);
    // The batch path (Text) gives the same list as adding one by one.
    TStringList batch;
    batch.SetCaseSensitive(c.case_sensitive);
    batch.SetDuplicates(c.duplicates);
    batch.SetSorted(true);
    batch.SetText("c\nB\na\nb");
    EXPECT_TRUE(batch.Equals(list));
  }
  TStringList strict;
  strict.SetDuplicates(dupError);
  strict.SetSorted(true);
  strict.Add("x");
  EXPECT_THROW(strict.Add("X"), EStringListError);
  EXPECT_THROW(strict.SetText("a\nb\nA"), EStringListError);
  EXPECT_EQ(strict.Text(), "x\r\n");  // a refused batch changes nothing
  EXPECT_THROW(strict.Insert(0, "y"), EStringListError);
  int index;
  EXPECT_TRUE(strict.Find("X", index));
  EXPECT_EQ(strict.IndexOf("X"), 0);
}

TEST(StringListTest, ChangeEventsFollowUpdates) {
  TStringList list;
  int changes = 0, changing = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.OnChanging = [&](TObject*) { ++changing; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Delete(0);
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(changing, 2);
  EXPECT_THROW(list.Strings(3), EStringListError);
}

TEST(StringListTest, ObjectsTravelWithTheirLines) {
  TStringList list;
  TStringList tag1, tag2;
  list.AddObject("one", &tag1);
  list.AddObject("two", &tag2);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Objects(0), &tag2);
  list.Move(0, 1);
  EXPECT_EQ(list.Strings(1), "two");
  EXPECT_EQ(list.IndexOfObject(&tag2), 1);
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.Objects(1), &tag2);
}

TEST(StringListTest, FileRoundTripUsesCrLf) {
  testsupport::TempDir dir;
  TStringList list;
  list.SetText("first\nsecond line\n\nlast");
  list.SaveToFile(dir.File("lines.txt"));
  EXPECT_EQ(FileBytes(dir.File("lines.txt")), "first\r\nsecond line\r\n\r\nlast\r\n");
  TStringList back;
  back.LoadFromFile(dir.File("lines.txt"));
  EXPECT_TRUE(back.Equals(list));
  for (const char* bytes : {"first\nsecond line\n\nlast", "first\rsecond line\r\rlast\r"}) {
    WriteBytes(dir.File("other.txt"), bytes);
    back.LoadFromFile(dir.File("other.txt"));
    EXPECT_TRUE(back.Equals(list)) << back.Text();
  }
  try {
    back.LoadFromFile(dir.File("missing.txt"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.File("missing.txt") + "\"");
  }
}

TEST(BitsTest, GrowsOnWrite) {
  TBits bits;
  EXPECT_EQ(bits.OpenBit(), 0);
  bits.SetBits(0, true);
  bits.SetBits(1, true);
  bits.SetBits(9, true);
  EXPECT_EQ(bits.Size(), 10);
  EXPECT_EQ(bits.OpenBit(), 2);
  EXPECT_FALSE(bits.Bits(5));
  EXPECT_THROW(bits.Bits(10), EBitsError);
  EXPECT_THROW(bits.SetBits(-1, true), EBitsError);
  bits.SetSize(2);
  EXPECT_EQ(bits.OpenBit(), 2);
}

TEST(StreamTest, MemoryStreamSeeksReadsAndWrites) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  struct Case {
    int64_t offset;
    TSeekOrigin origin;
    int64_t position;
  };
  for (const Case& c : {Case{2, soFromBeginning, 2}, Case{1, soFromCurrent, 3}, Case{-1, soFromEnd, 5}})
    EXPECT_EQ(s.Seek(c.offset, c.origin), c.position);
  char buf[4] = {};
  EXPECT_EQ(s.Read(buf, 4), 1);  // only 'f' is left
  EXPECT_EQ(buf[0], 'f');
  try {
    s.ReadBuffer(buf, 1);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  s.SetPosition(8);  // past the end: the gap fills with zeros
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 9), std::string("abcdef\0\0z", 9));
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  s.SetPosition(-4);
  EXPECT_EQ(s.Write("x", 1), 0);
}

TEST(StreamTest, FileStreamRoundTripAndCopy) {
  testsupport::TempDir dir;
  std::string name = dir.File("data.bin");
  {
    TFileStream f(name, fmCreate | fmShareExclusive);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(8);
  }
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), m.Size()), "01234567");
  {
    TFileStream f(name, fmOpenReadWrite);
    f.Seek(-2, soFromEnd);
    f.WriteBuffer("AB", 2);
    TMemoryStream part;
    f.SetPosition(2);
    EXPECT_EQ(part.CopyFrom(f, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(part.Memory()), 3), "234");
    TMemoryStream all;
    all.CopyFrom(f, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(all.Memory()), all.Size()), "012345AB");
    EXPECT_THROW(all.CopyFrom(f, 1), EReadError);  // f is at its end
  }
  {
    TFileStream f(name, fmOpenRead);
    EXPECT_EQ(f.Write("x", 1), 0);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
  m.SaveToFile(dir.File("copy.bin"));
  EXPECT_EQ(FileBytes(dir.File("copy.bin")), "01234567");
  try {
    TFileStream f(dir.File("no/such/folder/x"), fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + dir.File("no/such/folder/x") + "\"");
  }
  EXPECT_THROW(TFileStream(dir.path().string(), fmOpenRead), EFOpenError);  // a folder
}

TEST(StreamTest, BackslashPathsAreResolved) {
  testsupport::TempDir dir;
  TStringList list;
  list.Add("x");
  list.SaveToFile(dir.File("Lines.TXT"));
  TStringList back;
  std::string windows_style = dir.path().string() + "\\lines.txt";
  back.LoadFromFile(windows_style);
  EXPECT_EQ(back.Text(), "x\r\n");
}

}  // namespace
}  // namespace vcltest
