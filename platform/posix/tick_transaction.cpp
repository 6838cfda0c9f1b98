#include "platform/posix/tick_transaction.h"

#include <utility>

#include "common/trap.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

namespace {

class TransactionalTimer final : public Timer {
 public:
  TransactionalTimer(std::unique_ptr<Timer> inner, sql::Database& db)
      : inner_(std::move(inner)), db_(db) {}

  void SetInterval(int milliseconds) override { inner_->SetInterval(milliseconds); }
  int Interval() const override { return inner_->Interval(); }
  void SetEnabled(bool on) override { inner_->SetEnabled(on); }
  bool Enabled() const override { return inner_->Enabled(); }

  void SetHandler(std::function<void()> onTick) override {
    if (!onTick) {
      inner_->SetHandler(nullptr);
      return;
    }
    inner_->SetHandler([&db = db_, tick = std::move(onTick)] {
      // A firewall: the event loop gets nothing back, and a tick that could
      // not get the store (another process held it past the busy timeout)
      // does nothing; the timer, still on, tries again at its next tick.
      Firewall("HostRuntime.Tick", [&] {
        sql::WriteTransaction tx(db);
        tick();
        tx.Commit();
      });
    });
  }

 private:
  std::unique_ptr<Timer> inner_;
  sql::Database& db_;
};

}  // namespace

std::unique_ptr<Timer> TransactionalTimers::CreateTimer() {
  return std::make_unique<TransactionalTimer>(inner_.CreateTimer(), db_);
}

}  // namespace velmora::posix
