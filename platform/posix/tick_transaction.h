// Timers whose every tick runs inside one write transaction of the mail
// store. A sending pass changes many items (re-stamped schedules, copies,
// moves to the Outbox, submission); if the process dies in the middle, the
// store must look as before the pass, never half through it (a copy left with
// a live schedule would repeat the series). A tick that fails is rolled back
// too. Work the tick posts (the send/receive) runs later, outside it, with its
// own commits.
#pragma once

#include <memory>

#include "common/timer.h"

namespace velmora::posix {

namespace sql {
class Database;
}

class TransactionalTimers final : public TimerFactory {
 public:
  // Both must outlive the timers made here.
  TransactionalTimers(TimerFactory& inner, sql::Database& db) : inner_(inner), db_(db) {}
  std::unique_ptr<Timer> CreateTimer() override;

 private:
  TimerFactory& inner_;
  sql::Database& db_;
};

}  // namespace velmora::posix
