// Segment walks of the sound components: who hears a device's notification,
// in which order, with which buffer size, and when a device is a slave.
#include <gtest/gtest.h>

#include "ChainTestClasses.h"

namespace enginetest {
namespace {

class SegmentTest : public ::testing::Test {
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
  // Links the members top to bottom and clears the log the linking wrote.
  void Chain(std::initializer_list<TMMDSPComponent*> members) {
    TMMDSPComponent* upper = nullptr;
    for (TMMDSPComponent* m : members) {
      if (upper) upper->SetOutput(m);
      upper = m;
    }
    ChainLog().clear();
  }
  TTestChainForm form_{nullptr};
};

TEST_F(SegmentTest, OpenHandsTheDeviceBufferSizeDownAndOpensTheDeviceLast) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  Chain({a, b, c});
  a->SetChannels(2);
  a->SetBufferSize(4099);
  c->SetBufferSize(100);
  ChainLog().clear();
  a->Opened();
  EXPECT_EQ(JoinedChainLog(), "A>Opened B.Opened[4099] C.Opened[4099] A<Opened");
  // Each member fixes its effective size from its own format.
  EXPECT_EQ(a->BufferSize(), 4096);
  EXPECT_EQ(b->BufferSize(), 4096);
  EXPECT_EQ(c->RequestedBufferSize(), 4099);
  EXPECT_FALSE(a->Slave());
}

TEST_F(SegmentTest, WalkGoesUpToTheTopOfTheChainFirst) {
  // F (file source) -> W (output device) -> K (connector).
  auto* f = Make<TTestPassive>("F");
  auto* w = Make<TTestSink>("W");
  auto* k = Make<TTestPassive>("K");
  Chain({f, w, k});
  w->Opened();
  EXPECT_EQ(JoinedChainLog(), "W>Opened F.Opened[2048] K.Opened[2048] W<Opened");
  EXPECT_FALSE(w->Slave());
}

TEST_F(SegmentTest, NotificationsOfTheUpperDeviceStopAtTheNextDevice) {
  // A (input) -> B -> W (output) -> K.
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* w = Make<TTestSink>("W");
  auto* k = Make<TTestPassive>("K");
  Chain({a, b, w, k});
  a->SetBufferSize(1024);

  struct Step {
    void (TMMDSPComponent::*note)();
    const char* log;
  };
  // W handles what reaches it with its own walk, which meets A on the way
  // up and so covers only K.
  const Step steps[] = {
      {&TMMDSPComponent::Opened, "A>Opened B.Opened[1024] W>Opened K.Opened[1024] W<Opened A<Opened"},
      {&TMMDSPComponent::Started, "A>Started B.Started W>Started K.Started W<Started A<Started"},
      {&TMMDSPComponent::Paused, "A>Paused B.Paused W>Paused K.Paused W<Paused A<Paused"},
      {&TMMDSPComponent::Restarted,
       "A>Restarted B.Restarted W>Restarted K.Restarted W<Restarted A<Restarted"},
      {&TMMDSPComponent::Reset, "A>Reset B.Reset W>Reset K.Reset W<Reset A<Reset"},
      {&TMMDSPComponent::Looped, "A>Looped B.Looped W>Looped K.Looped W<Looped A<Looped"},
      // The next device stops (and closes) before the passive members.
      {&TMMDSPComponent::Stopped, "A>Stopped W>Stopped K.Stopped W<Stopped B.Stopped A<Stopped"},
      {&TMMDSPComponent::Closed, "A>Closed W>Closed K.Closed W<Closed B.Closed A<Closed"},
  };
  for (const Step& s : steps) {
    ChainLog().clear();
    (a->*s.note)();
    EXPECT_EQ(JoinedChainLog(), s.log);
    if (s.note == &TMMDSPComponent::Opened) {
      EXPECT_TRUE(w->Slave());
      EXPECT_FALSE(a->Slave());
      EXPECT_EQ(w->BufferSize(), 1024);
    }
    if (s.note == &TMMDSPComponent::Started) {
      for (TMMDSPComponent* m : {static_cast<TMMDSPComponent*>(a), static_cast<TMMDSPComponent*>(b),
                                 static_cast<TMMDSPComponent*>(w), static_cast<TMMDSPComponent*>(k)})
        EXPECT_TRUE(m->IsStarted()) << m->Name();
    }
  }
  EXPECT_FALSE(k->IsOpened());
  EXPECT_FALSE(b->IsOpened());
}

TEST_F(SegmentTest, LowerDeviceWalksOnlyItsOwnSegment) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* w = Make<TTestSink>("W");
  auto* k = Make<TTestPassive>("K");
  Chain({a, b, w, k});
  w->Opened();
  EXPECT_EQ(JoinedChainLog(), "W>Opened K.Opened[2048] W<Opened");
  EXPECT_TRUE(w->Slave());
  ChainLog().clear();
  w->Stopped();
  EXPECT_EQ(JoinedChainLog(), "W>Stopped K.Stopped W<Stopped");
}

TEST_F(SegmentTest, LoneDeviceNotifiesOnlyItself) {
  auto* a = Make<TTestSource>("A");
  for (auto note : {&TMMDSPComponent::Opened, &TMMDSPComponent::Started, &TMMDSPComponent::Stopped,
                    &TMMDSPComponent::Closed}) {
    ChainLog().clear();
    (a->*note)();
    ASSERT_EQ(ChainLog().size(), 2u);
  }
  EXPECT_FALSE(a->IsOpened());
}

TEST_F(SegmentTest, RelinkingADeviceStopsItsSegment) {
  auto* a = Make<TTestSource>("A");
  auto* b = Make<TTestPassive>("B");
  auto* c = Make<TTestPassive>("C");
  Chain({a, b});
  a->Opened();
  a->Started();
  ChainLog().clear();
  a->SetOutput(c);
  EXPECT_EQ(ChainLog().front(), "A>Stopped");
  EXPECT_FALSE(b->IsStarted());
  EXPECT_EQ(b->Input(), nullptr);
}

}  // namespace
}  // namespace enginetest
