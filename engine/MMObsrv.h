#pragma once
// A minimal observer pattern: an observable calls its observers with an
// untyped data reference when something changes. Neither side owns the other;
// whichever goes first detaches itself.
#include <functional>
#include <vector>

namespace engine {

class TMMObservable;
class TMMObserver;

using TMMObserverNotifyEvent = std::function<void(TMMObserver* sender, void* data)>;

class TMMObserver {
 public:
  TMMObserver() = default;
  virtual ~TMMObserver();
  TMMObserver(const TMMObserver&) = delete;
  TMMObserver& operator=(const TMMObserver&) = delete;

  TMMObservable* Observable() const { return observable_; }
  // Fires OnNotify(this, data) when it is assigned.
  virtual void Update(void* data);

  TMMObserverNotifyEvent OnNotify;

 private:
  friend class TMMObservable;
  TMMObservable* observable_ = nullptr;
};

class TMMObservable {
 public:
  TMMObservable() = default;
  // Detaches every observer, so observers freed later find nothing to leave.
  virtual ~TMMObservable();
  TMMObservable(const TMMObservable&) = delete;
  TMMObservable& operator=(const TMMObservable&) = delete;

  // Appends the observer, moving it away from another observable first.
  void AddObserver(TMMObserver* observer);
  // Only an observer attached to this very observable leaves it.
  void RemoveObserver(TMMObserver* observer);
  // Last added first, so an observer may remove itself (or one already
  // notified) from its handler and the rest are still called.
  void NotifyObservers(void* data);

  int ObserverCount() const { return static_cast<int>(observers_.size()); }

 private:
  std::vector<TMMObserver*> observers_;
};

}  // namespace engine
