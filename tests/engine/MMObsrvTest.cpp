// Observer lists: order of notification, moving observers between
// observables, removal from handlers, and either side going first.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/MMObsrv.h"

namespace engine {
namespace {

struct Recorder {
  std::string log;
  void Watch(TMMObserver& observer, char name) {
    observer.OnNotify = [this, name](TMMObserver*, void* data) {
      log += name;
      if (data) log += *static_cast<const char*>(data);
    };
  }
};

TEST(MMObsrvTest, NotifiesLastAddedFirstWithTheData) {
  TMMObservable observable;
  TMMObserver a, b, c;
  Recorder rec;
  rec.Watch(a, 'A');
  rec.Watch(b, 'B');
  rec.Watch(c, 'C');
  observable.AddObserver(&a);
  observable.AddObserver(&b);
  observable.AddObserver(&c);
  char data = '!';
  observable.NotifyObservers(&data);
  EXPECT_EQ(rec.log, "C!B!A!");
  EXPECT_EQ(a.Observable(), &observable);

  // Without a handler Update does nothing.
  TMMObserver silent;
  observable.AddObserver(&silent);
  rec.log.clear();
  observable.NotifyObservers(nullptr);
  EXPECT_EQ(rec.log, "CBA");
}

TEST(MMObsrvTest, AddingToASecondObservableMovesTheObserver) {
  TMMObservable first, second;
  TMMObserver a;
  Recorder rec;
  rec.Watch(a, 'A');
  first.AddObserver(&a);
  second.AddObserver(&a);
  EXPECT_EQ(a.Observable(), &second);
  EXPECT_EQ(first.ObserverCount(), 0);
  first.NotifyObservers(nullptr);
  EXPECT_EQ(rec.log, "");
  second.NotifyObservers(nullptr);
  EXPECT_EQ(rec.log, "A");

  // Removing through the wrong observable changes neither list.
  first.RemoveObserver(&a);
  EXPECT_EQ(a.Observable(), &second);
  EXPECT_EQ(second.ObserverCount(), 1);
  first.AddObserver(nullptr);
  EXPECT_EQ(first.ObserverCount(), 0);
}

TEST(MMObsrvTest, HandlerMayRemoveItselfOrOneAlreadyNotified) {
  TMMObservable observable;
  TMMObserver a, b, c, d;
  Recorder rec;
  rec.Watch(a, 'A');
  rec.Watch(d, 'D');
  // B removes itself, C removes D (notified before it).
  b.OnNotify = [&](TMMObserver* self, void*) {
    rec.log += 'B';
    observable.RemoveObserver(self);
  };
  c.OnNotify = [&](TMMObserver*, void*) {
    rec.log += 'C';
    observable.RemoveObserver(&d);
  };
  for (TMMObserver* o : {&a, &b, &c, &d}) observable.AddObserver(o);
  observable.NotifyObservers(nullptr);
  EXPECT_EQ(rec.log, "DCBA");
  EXPECT_EQ(observable.ObserverCount(), 2);
  rec.log.clear();
  observable.NotifyObservers(nullptr);
  EXPECT_EQ(rec.log, "CA");
}

TEST(MMObsrvTest, EitherSideMayBeDestroyedFirst) {
  auto a = std::make_unique<TMMObserver>();
  auto b = std::make_unique<TMMObserver>();
  {
    TMMObservable observable;
    observable.AddObserver(a.get());
    observable.AddObserver(b.get());
    // An observer destroyed while attached leaves the list.
    a.reset();
    EXPECT_EQ(observable.ObserverCount(), 1);
    observable.NotifyObservers(nullptr);
  }
  // The observable went first: the observer is detached and frees safely.
  EXPECT_EQ(b->Observable(), nullptr);
  b.reset();
}

}  // namespace
}  // namespace engine
