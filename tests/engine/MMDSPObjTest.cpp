// The chain protocol: links, loops, format hand-down, the effective buffer
// size, the two buffer paths, chains read from and written to form
// descriptions, and links cleared when a partner goes away.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ChainTestClasses.h"
#include "engine/MMWaveHdr.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

namespace enginetest {
namespace {

class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterChainTestClasses();
    ChainLog().clear();
  }
  template <class T>
  T* Make(const char* name) {
    auto* c = new T(&form_);
    c->SetName(name);
    return c;
  }
  static void ExpectLinked(TMMDSPComponent* upper, TMMDSPComponent* lower) {
    EXPECT_EQ(upper->Output(), lower) << upper->Name() << " -> " << lower->Name();
    EXPECT_EQ(lower->Input(), upper) << lower->Name() << " <- " << upper->Name();
  }
  TTestChainForm form_{nullptr};
};

// ---- Form descriptions ----

const char* const kChainForm =
    "object ChainForm: TTestChainForm\r\n"
    "  object Source: TTestSource\r\n"
    "    Output = Filter1\r\n"
    "    BufferSize = 4096\r\n"
    "    DeviceID = MapperId\r\n"
    "    Channels = 2\r\n"
    "  end\r\n"
    "  object Filter1: TTestPassive\r\n"
    "    Input = Source\r\n"
    "    Output = Filter2\r\n"
    "  end\r\n"
    "  object Filter2: TTestPassive\r\n"
    "    Input = Filter1\r\n"
    "    Output = Sink\r\n"
    "    BufferSize = 1000\r\n"
    "  end\r\n"
    "  object Sink: TTestSink\r\n"
    "    Input = Filter2\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(ChainTest, ChainFromFormDescriptionLinksHandsFormatDownAndWritesBack) {
  TTestChainForm root(nullptr);
  vcl::ReadFormText(&root, kChainForm);
  auto* source = dynamic_cast<TTestSource*>(root.FindComponent("Source"));
  auto* filter1 = dynamic_cast<TTestPassive*>(root.FindComponent("Filter1"));
  auto* filter2 = dynamic_cast<TTestPassive*>(root.FindComponent("Filter2"));
  auto* sink = dynamic_cast<TTestSink*>(root.FindComponent("Sink"));
  ASSERT_TRUE(source && filter1 && filter2 && sink);
  ExpectLinked(source, filter1);
  ExpectLinked(filter1, filter2);
  ExpectLinked(filter2, sink);
  EXPECT_EQ(source->Input(), nullptr);
  EXPECT_EQ(sink->Output(), nullptr);
  EXPECT_EQ(filter1->InputLinkName(), "Output");
  EXPECT_EQ(filter1->OutputLinkName(), "Input");
  EXPECT_EQ(source->DeviceID(), MapperId);
  EXPECT_EQ(filter2->BufferSize(), 1000);

  // Loading held the format back; Loaded passed it down the whole chain,
  // each member keeping its own copy.
  for (TMMDSPComponent* c : {static_cast<TMMDSPComponent*>(source), static_cast<TMMDSPComponent*>(filter1),
                             static_cast<TMMDSPComponent*>(filter2), static_cast<TMMDSPComponent*>(sink)}) {
    ASSERT_NE(c->GetFormat(), nullptr) << c->Name();
    EXPECT_EQ(c->GetFormat()->nChannels, 2) << c->Name();
    EXPECT_EQ(c->GetFormat()->nBlockAlign, 4) << c->Name();
  }
  EXPECT_NE(filter1->GetFormat(), source->GetFormat());

  EXPECT_EQ(vcl::WriteFormText(&root), kChainForm);
}

TEST_F(ChainTest, FormDescriptionCannotCloseALoop) {
  // The last reference would link the sink back to the top of its own chain.
  std::string text = kChainForm;
  text.replace(text.find("    Input = Filter2\r\n"), 0, "    Output = Filter1\r\n");
  TTestChainForm root(nullptr);
  vcl::ReadFormText(&root, text);
  auto* filter1 = dynamic_cast<TMMDSPComponent*>(root.FindComponent("Filter1"));
  auto* filter2 = dynamic_cast<TMMDSPComponent*>(root.FindComponent("Filter2"));
  auto* sink = dynamic_cast<TMMDSPComponent*>(root.FindComponent("Sink"));
  auto* source = dynamic_cast<TMMDSPComponent*>(root.FindComponent("Source"));
  ExpectLinked(source, filter1);
  ExpectLinked(filter1, filter2);
  ExpectLinked(filter2, sink);
  EXPECT_EQ(sink->Output(), nullptr);
  EXPECT_EQ(vcl::WriteFormText(&root), kChainForm);
}

TEST_F(ChainTest, DeviceIdentifiersInFormDescriptions) {
  struct Case {
    const char* stored;  // value as read
    int32_t id;
    const char* written;  // value as written back
  };
  const Case cases[] = {
      {"MapperId", MapperId, "MapperId"},
      {"mapperID", MapperId, "MapperId"},
      {"InvalidId", InvalidId, "InvalidId"},
      {"0", 0, "0"},
      {"3", 3, "3"},
      {"-1", MapperId, "MapperId"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    std::string text =
        std::string("object F: TTestChainForm\r\n  object Source: TTestSource\r\n    DeviceID = ") +
        c.stored + "\r\n  end\r\nend\r\n";
    TTestChainForm root(nullptr);
    vcl::ReadFormText(&root, text);
    auto* source = dynamic_cast<TTestSource*>(root.FindComponent("Source"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->DeviceID(), c.id);
    EXPECT_NE(vcl::WriteFormText(&root).find(std::string("DeviceID = ") + c.written + "\r\n"),
              std::string::npos);
  }
  TTestChainForm root(nullptr);
  EXPECT_THROW(vcl::ReadFormText(&root,
                                 "object F: TTestChainForm\r\n  object Source: TTestSource\r\n"
                                 "    DeviceID = WaveMapper\r\n  end\r\nend\r\n"),
               vcl::EReadError);
  EXPECT_EQ(root.ComponentCount(), 0);
}

// ---- Links ----

TEST_F(ChainTest, RefusedLinksChangeNothing) {
  auto* a = Make<TTestPassive>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  a->SetOutput(b);
  b->SetOutput(c);
  auto* source = Make<TTestSource>("Src");
  auto* unlinkable = Make<TTestUnlinkable>("U");
  auto* internal = Make<TTestInternal>("I");

  struct Case {
    const char* what;
    TMMDSPComponent* target;
    bool as_input;  // Input := candidate, else Output := candidate
    TMMDSPComponent* candidate;
  };
  const Case cases[] = {
      {"input is itself", a, true, a},
      {"input from below", a, true, c},
      {"output to itself", c, false, c},
      {"output to above", c, false, a},
      {"input without a published Output", c, true, unlinkable},
      {"output to a source without Input", c, false, source},
      {"output to one without Input, not connectable", c, false, internal},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ChainLog().clear();
    if (k.as_input)
      k.target->SetInput(k.candidate);
    else
      k.target->SetOutput(k.candidate);
    ExpectLinked(a, b);
    ExpectLinked(b, c);
    EXPECT_EQ(a->Input(), nullptr);
    EXPECT_EQ(c->Output(), nullptr);
    EXPECT_EQ(unlinkable->Input(), nullptr);
    EXPECT_EQ(JoinedChainLog(), "");
  }

  // Writing the current value or none on an unlinked end does nothing either.
  ChainLog().clear();
  b->SetInput(a);
  a->SetInput(nullptr);
  c->SetOutput(nullptr);
  EXPECT_EQ(JoinedChainLog(), "");

  // The internal member may be linked below while it says it is connectable.
  internal->SetConnectableAsInput(true);
  c->SetOutput(internal);
  internal->SetConnectableAsInput(false);
  ExpectLinked(c, internal);
}

TEST_F(ChainTest, RelinkDetachesOldPartnersAndHandsFormatDown) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  auto* d = Make<TTestPassive>("D");
  c->SetOutput(b);
  b->SetOutput(d);
  a->SetChannels(1);

  // A.Output := B, where B had the Input C.
  a->SetOutput(b);
  ExpectLinked(a, b);
  EXPECT_EQ(c->Output(), nullptr);
  EXPECT_EQ(c->OutputLinkName(), "");
  ASSERT_NE(b->GetFormat(), nullptr);
  EXPECT_EQ(b->GetFormat()->nChannels, 1);
  ASSERT_NE(d->GetFormat(), nullptr);
  EXPECT_EQ(d->GetFormat()->nChannels, 1);

  // D.Input := C takes D away from B: B's Output is forgotten, the format
  // D now gets is C's (none).
  d->SetInput(c);
  ExpectLinked(c, d);
  EXPECT_EQ(b->Output(), nullptr);
  EXPECT_EQ(d->GetFormat(), nullptr);

  // Removing the Input takes the member's own format; removing the Output
  // hands the old Output none.
  c->SetOutput(nullptr);
  b->SetOutput(d);
  ASSERT_NE(d->GetFormat(), nullptr);
  b->SetInput(nullptr);
  EXPECT_EQ(b->GetFormat(), nullptr);
  EXPECT_EQ(d->GetFormat(), nullptr);
  a->SetOutput(b);
  ASSERT_NE(d->GetFormat(), nullptr);
  b->SetOutput(nullptr);
  EXPECT_EQ(d->GetFormat(), nullptr);
  ASSERT_NE(b->GetFormat(), nullptr);
}

TEST_F(ChainTest, RelinkStopsAStartedMember) {
  auto* a = Make<TTestPassive>("A");
  auto* b = Make<TTestPassive>("B");
  a->SetOutput(b);
  b->Opened();
  b->Started();
  b->Paused();
  ChainLog().clear();
  b->SetInput(a);  // the current Input: nothing at all
  EXPECT_EQ(JoinedChainLog(), "");
  b->SetInput(nullptr);
  EXPECT_FALSE(b->IsStarted());
  EXPECT_FALSE(b->IsPaused());
  EXPECT_TRUE(b->IsOpened());
}

TEST_F(ChainTest, SameFormatRecordResendsWithoutCopying) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  a->SetChannels(2);
  plat::WAVEFORMATEX* held = a->GetFormat();
  a->SetFormat(held);
  EXPECT_EQ(a->GetFormat(), held);
  // Linked after the fact: re-sending reaches the new Output.
  a->SetOutputLink(b, "Input");
  b->SetInputLink(a, "Output");
  EXPECT_EQ(b->GetFormat(), nullptr);
  a->SetFormat(a->GetFormat());
  ASSERT_NE(b->GetFormat(), nullptr);
  EXPECT_EQ(b->GetFormat()->nChannels, 2);
}

// ---- Buffer size and stream state ----

TEST_F(ChainTest, EffectiveBufferSizeFollowsTheBlockAlign) {
  struct Case {
    int32_t requested;
    int channels;  // 0: no format
    int32_t effective;
  };
  const Case cases[] = {
      {2050, 2, 2048}, {2, 2, 4}, {2048, 2, 2048}, {4095, 1, 4094}, {2050, 0, 2050}, {1, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.requested << " bytes, " << c.channels << " channels");
    TTestPassive member(nullptr);
    if (c.channels) {
      plat::WAVEFORMATEX f = PcmFormat(c.channels);
      member.SetFormat(&f);
    }
    member.SetBufferSize(c.requested);
    EXPECT_EQ(member.BufferSize(), c.requested);
    member.Opened();
    EXPECT_EQ(member.BufferSize(), c.effective);
    // The requested size takes effect at the next open only.
    member.SetBufferSize(8192);
    EXPECT_EQ(member.BufferSize(), c.effective);
    member.Opened();
    EXPECT_EQ(member.BufferSize(), c.effective);
    member.Closed();
    EXPECT_EQ(member.BufferSize(), 8192);
  }
}

TEST_F(ChainTest, ZeroBlockAlignDoesNotDivideByZero) {
  TTestPassive member(nullptr);
  plat::WAVEFORMATEX f = PcmFormat(2);
  f.nBlockAlign = 0;
  member.SetFormat(&f);
  member.SetBufferSize(1000);
  member.Opened();
  EXPECT_EQ(member.BufferSize(), 1000);
}

TEST_F(ChainTest, StreamStateMovesOnlyAlongItsTransitions) {
  TTestPassive m(nullptr);
  m.Started();  // not opened: stays stopped
  EXPECT_FALSE(m.IsStarted());
  m.Opened();
  m.Started();
  m.Paused();
  EXPECT_TRUE(m.IsStarted() && m.IsPaused());
  m.Restarted();
  EXPECT_FALSE(m.IsPaused());
  m.Paused();
  m.Stopped();
  EXPECT_FALSE(m.IsStarted() || m.IsPaused());
  EXPECT_TRUE(m.IsOpened());
  // Stopped when not started leaves Paused as it is.
  m.Paused();
  m.Stopped();
  EXPECT_TRUE(m.IsPaused());
  m.Closed();
  EXPECT_FALSE(m.IsOpened());
}

// ---- Buffer paths ----

TEST_F(ChainTest, HandlersRunBeforeTheBufferMovesOn) {
  auto* a = Make<TTestPassive>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  a->SetOutput(b);
  b->SetOutput(c);
  ChainLog().clear();
  TMMWaveHdr hdr{};
  char data[16] = {};
  hdr.lpData = data;
  hdr.dwBufferLength = sizeof(data);
  for (TMMDSPComponent* m : {static_cast<TMMDSPComponent*>(a), static_cast<TMMDSPComponent*>(b),
                             static_cast<TMMDSPComponent*>(c)}) {
    m->OnBufferReady = [](vcl::TObject* sender, plat::WAVEHDR* lpwh) {
      ChainLog().push_back(static_cast<vcl::TComponent*>(sender)->Name() + ":" +
                           std::to_string(lpwh->dwBytesRecorded));
      lpwh->dwBytesRecorded += 1;  // processed in place
    };
  }
  a->BufferReady(&hdr);
  EXPECT_EQ(JoinedChainLog(), "A:0 B:1 C:2");

  // Pull: the filler at the top sets the data and ends the stream.
  ChainLog().clear();
  b->OnBufferLoad = [](vcl::TObject*, plat::WAVEHDR* lpwh, bool&) {
    ChainLog().push_back("B-load");
    lpwh->dwUser = 1;
  };
  a->OnBufferLoad = [](vcl::TObject*, plat::WAVEHDR* lpwh, bool& more) {
    ChainLog().push_back("A-fill");
    lpwh->dwBytesRecorded = 12;
    more = false;
  };
  bool more = true;
  c->BufferLoad(&hdr, more);
  EXPECT_EQ(JoinedChainLog(), "B-load A-fill");
  EXPECT_FALSE(more);
  EXPECT_EQ(hdr.dwBytesRecorded, 12u);

  // Without a handler and without an Input the header comes back untouched.
  TMMWaveHdr before = hdr;
  a->OnBufferLoad = nullptr;
  b->OnBufferLoad = nullptr;
  more = true;
  c->BufferLoad(&hdr, more);
  EXPECT_TRUE(more);
  EXPECT_EQ(std::memcmp(&before, &hdr, sizeof(hdr)), 0);
}

// ---- Partners going away ----

TEST_F(ChainTest, DestroyedMemberOfTheSameOwnerIsUnlinked) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  a->SetOutput(b);
  b->SetOutput(c);
  a->SetChannels(2);
  delete b;
  EXPECT_EQ(a->Output(), nullptr);
  EXPECT_EQ(c->Input(), nullptr);
  EXPECT_EQ(c->GetFormat(), nullptr);
  TMMWaveHdr hdr{};
  a->BufferReady(&hdr);
  bool more = true;
  c->BufferLoad(&hdr, more);
}

TEST_F(ChainTest, DestroyedPartnerOfAnotherOwnerIsUnlinked) {
  TTestChainForm other(nullptr);
  auto* a = Make<TTestPassive>("A");
  auto* b = new TTestPassive(&other);
  auto* c = new TTestPassive(nullptr);
  a->SetOutput(b);
  b->SetOutput(c);
  delete b;
  EXPECT_EQ(a->Output(), nullptr);
  EXPECT_EQ(c->Input(), nullptr);
  // And the other way: the unowned one goes first.
  a->SetOutput(c);
  delete c;
  EXPECT_EQ(a->Output(), nullptr);
  TMMWaveHdr hdr{};
  a->BufferReady(&hdr);
}

TEST_F(ChainTest, StaleLinkOfAPartnerWithoutBackPropertyIsClearedOnDestruction) {
  auto* upper = Make<TTestPassive>("Upper");
  auto* internal = new TTestInternal(nullptr);
  internal->SetConnectableAsInput(true);
  upper->SetOutput(internal);
  internal->SetConnectableAsInput(false);
  ExpectLinked(upper, internal);
  // The internal member publishes no Input, so dropping its Input leaves the
  // upper member's Output stale, as stored chains expect.
  internal->SetInput(nullptr);
  EXPECT_EQ(internal->Input(), nullptr);
  EXPECT_EQ(upper->Output(), internal);
  delete internal;
  EXPECT_EQ(upper->Output(), nullptr);
  TMMWaveHdr hdr{};
  upper->BufferReady(&hdr);
}

TEST_F(ChainTest, OwnerFreesAWholeChain) {
  auto owner = std::make_unique<TTestChainForm>(nullptr);
  auto* outside = new TTestPassive(nullptr);
  TMMDSPComponent* last = nullptr;
  for (int i = 0; i < 5; ++i) {
    auto* m = new TTestPassive(owner.get());
    if (last) last->SetOutput(m);
    last = m;
  }
  last->SetOutput(outside);
  const int before = DSPComponentCount();
  owner.reset();
  EXPECT_EQ(DSPComponentCount(), before - 5);
  EXPECT_EQ(outside->Input(), nullptr);
  delete outside;
}

}  // namespace
}  // namespace enginetest
