#include "engine/MMTimer.h"

#include <atomic>

#include "platform/kernel/Sync.h"

namespace engine {

namespace {

// The unit record; its address is the timer's user data.
struct TTimerRecord {
  std::atomic<plat::UINT> timer_id{0};
  TMMTimerClient* head = nullptr;  // guarded by section
  std::atomic<int> count{0};
  std::atomic<int> reentry{0};
  plat::CRITICAL_SECTION section;
  bool section_ready = false;
};

TTimerRecord timer_record;
std::atomic<TTimeSetEvent> set_event_hook{nullptr};

plat::UINT CreateSystemTimer(plat::LPTIMECALLBACK callback, plat::DWORD_PTR user) {
  TTimeSetEvent hook = set_event_hook.load();
  return (hook ? hook : &plat::timeSetEvent)(kMMTimerPeriod, 0, callback, user, plat::TIME_PERIODIC);
}

void TimerCallback(plat::UINT, plat::UINT, plat::DWORD_PTR user, plat::DWORD_PTR, plat::DWORD_PTR) {
  auto* record = reinterpret_cast<TTimerRecord*>(user);
  if (!record) return;
  // A tick that arrives while the last one still runs is skipped, not queued.
  if (++record->reentry == 1) {
    plat::EnterCriticalSection(&record->section);
    for (TMMTimerClient* client = record->head; client; client = client->Next) {
      if (client->SuspendCount != 0) continue;
      client->Elapsed += kMMTimerPeriod;
      if (client->Elapsed >= client->Interval) {
        // Reset, not reduced by the interval: periods are whole ticks.
        client->Elapsed = 0;
        if (client->Proc) client->Proc(client, client->Data);
      }
    }
    plat::LeaveCriticalSection(&record->section);
  }
  --record->reentry;
}

// Stops the timer and releases what the first client set up.
void ShutDownTimer(TTimerRecord& r) {
  if (plat::UINT id = r.timer_id.exchange(0)) {
    plat::timeKillEvent(id);
    plat::timeEndPeriod(kMMTimerPeriod);
  }
  if (r.section_ready) {
    r.section_ready = false;
    plat::DeleteCriticalSection(&r.section);
  }
}

}  // namespace

TTimeSetEvent SetMMTimerSetEvent(TTimeSetEvent set_event) { return set_event_hook.exchange(set_event); }

TMMTimerClient* AddTimerClient(int32_t interval, bool suspended, TMMTimerProc proc, void* data) {
  TTimerRecord& r = timer_record;
  if (++r.count == 1) {
    plat::timeBeginPeriod(kMMTimerPeriod);
    plat::InitializeCriticalSection(&r.section);
    r.section_ready = true;
    r.timer_id = CreateSystemTimer(&TimerCallback, reinterpret_cast<plat::DWORD_PTR>(&r));
    if (r.timer_id == 0) {
      // Undo the whole start, so the next client tries afresh and the
      // resolution is not left raised.
      r.count = 0;
      plat::timeEndPeriod(kMMTimerPeriod);
      r.section_ready = false;
      plat::DeleteCriticalSection(&r.section);
      return nullptr;
    }
  }
  auto* client = new TMMTimerClient;
  client->Interval = interval < kMMTimerPeriod ? kMMTimerPeriod : interval;
  client->Data = data;
  client->Proc = std::move(proc);
  client->SuspendCount = suspended ? 1 : 0;
  client->Elapsed = 0;
  plat::EnterCriticalSection(&r.section);
  TMMTimerClient** tail = &r.head;
  while (*tail) tail = &(*tail)->Next;
  *tail = client;
  plat::LeaveCriticalSection(&r.section);
  return client;
}

void SuspendTimerClient(TMMTimerClient* client) {
  TTimerRecord& r = timer_record;
  if (!client || r.count <= 0) return;
  plat::EnterCriticalSection(&r.section);
  ++client->SuspendCount;
  client->Elapsed = 0;
  plat::LeaveCriticalSection(&r.section);
}

void ResumeTimerClient(TMMTimerClient* client) {
  TTimerRecord& r = timer_record;
  if (!client || r.count <= 0) return;
  plat::EnterCriticalSection(&r.section);
  if (client->SuspendCount > 0) --client->SuspendCount;
  plat::LeaveCriticalSection(&r.section);
}

void RemoveTimerClient(TMMTimerClient* client) {
  TTimerRecord& r = timer_record;
  if (!client || r.count <= 0) return;
  plat::EnterCriticalSection(&r.section);
  bool found = false;
  for (TMMTimerClient** link = &r.head; *link; link = &(*link)->Next) {
    if (*link == client) {
      *link = client->Next;
      found = true;
      break;
    }
  }
  if (found) {
    delete client;
    --r.count;
  }
  const bool last = found && r.count == 0;
  plat::LeaveCriticalSection(&r.section);
  // Outside the lock: killing waits for a running tick, which takes it.
  if (last) ShutDownTimer(r);
}

int TimerClientCount() { return timer_record.count; }

bool MMTimerRunning() { return timer_record.timer_id != 0; }

void MMTimerFinalize() {
  TTimerRecord& r = timer_record;
  if (r.timer_id == 0 && !r.section_ready) return;
  // Stop the ticks first, then free what clients forgot to remove.
  if (plat::UINT id = r.timer_id.exchange(0)) {
    plat::timeKillEvent(id);
    plat::timeEndPeriod(kMMTimerPeriod);
  }
  while (r.head) {
    TMMTimerClient* next = r.head->Next;
    delete r.head;
    r.head = next;
  }
  r.count = 0;
  ShutDownTimer(r);
}

}  // namespace engine
