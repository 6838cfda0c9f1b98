#include "platform/posix/tick_transaction.h"

#include <utility>

#include "common/host_error.h"
#include "common/trap.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

namespace {

// The registry's batch for one tick, rolled back unless committed.
class RegistryBatch {
 public:
  explicit RegistryBatch(SqliteRegistry* registry)
      : registry_(registry && registry->BeginBatch() ? registry : nullptr) {}
  ~RegistryBatch() {
    if (registry_) registry_->EndBatch(false);
  }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;
  void Commit() {
    if (registry_) std::exchange(registry_, nullptr)->EndBatch(true);
  }

 private:
  SqliteRegistry* registry_;
};

class TransactionalTimer final : public Timer {
 public:
  TransactionalTimer(std::unique_ptr<Timer> inner, sql::Database& db, const TickOptions& options)
      : inner_(std::move(inner)), db_(db), options_(options) {}

  void SetInterval(int milliseconds) override { inner_->SetInterval(milliseconds); }
  int Interval() const override { return inner_->Interval(); }
  void SetEnabled(bool on) override { inner_->SetEnabled(on); }
  bool Enabled() const override { return inner_->Enabled(); }

  void SetHandler(std::function<void()> onTick) override {
    if (!onTick) {
      inner_->SetHandler(nullptr);
      return;
    }
    inner_->SetHandler([&db = db_, &options = options_, tick = std::move(onTick)] {
      // A firewall: the event loop gets nothing back, and a tick that could
      // not get the store (another process held it past the busy timeout)
      // does nothing; the timer, still on, tries again at its next tick.
      Firewall("HostRuntime.Tick", [&] {
        try {
          sql::WriteTransaction tx(db);
          RegistryBatch registry(options.registry);
          if (options.beforeTick) options.beforeTick();
          tick();
          if (options.beforeCommit) options.beforeCommit();
          tx.Commit();
          // Dying here leaves the registry as before the tick: a next due
          // time no later than the store's.
          registry.Commit();
        } catch (...) {
          if (options.onFailure) {
            const std::string why = DescribeCurrentException().description;
            Ignore([&] { options.onFailure(why); });
          }
          throw;
        }
      });
    });
  }

 private:
  std::unique_ptr<Timer> inner_;
  sql::Database& db_;
  const TickOptions& options_;
};

}  // namespace

std::unique_ptr<Timer> TransactionalTimers::CreateTimer() {
  return std::make_unique<TransactionalTimer>(inner_.CreateTimer(), db_, options_);
}

}  // namespace velmora::posix
