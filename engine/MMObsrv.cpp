#include "engine/MMObsrv.h"

#include <algorithm>

namespace engine {

TMMObserver::~TMMObserver() {
  if (observable_) observable_->RemoveObserver(this);
}

void TMMObserver::Update(void* data) {
  if (OnNotify) OnNotify(this, data);
}

TMMObservable::~TMMObservable() {
  while (!observers_.empty()) RemoveObserver(observers_.back());
}

void TMMObservable::AddObserver(TMMObserver* observer) {
  if (!observer) return;
  if (observer->observable_) observer->observable_->RemoveObserver(observer);
  observers_.push_back(observer);
  observer->observable_ = this;
}

void TMMObservable::RemoveObserver(TMMObserver* observer) {
  if (!observer || observer->observable_ != this) return;
  auto it = std::find(observers_.begin(), observers_.end(), observer);
  if (it != observers_.end()) observers_.erase(it);
  observer->observable_ = nullptr;
}

void TMMObservable::NotifyObservers(void* data) {
  // By index from the end: a handler that removes itself or an observer
  // already notified leaves the ones still due where they were. Indices the
  // list no longer reaches are passed over, never read.
  for (size_t i = observers_.size(); i-- > 0;) {
    if (i < observers_.size()) observers_[i]->Update(data);
  }
}

}  // namespace engine
