#include "support/thread_state.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "support/never_destroyed.h"

namespace orvan {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::unique_ptr<detail::ThreadStateBase>> states;
  std::atomic<unsigned> generation{1};
};

// Never destroyed: at process exit the states left are not freed, since their clean-up (freeing
// a library) must not run from DllMain.
Registry& TheRegistry() {
  static NeverDestroyed<Registry> registry;
  return registry.get();
}

}  // namespace

namespace detail {

unsigned ThreadStateGeneration() noexcept {
  return TheRegistry().generation.load(std::memory_order_acquire);
}

void AdoptThreadState(std::unique_ptr<ThreadStateBase> state) {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  registry.states.push_back(std::move(state));
}

}  // namespace detail

void ReleaseThreadStates() noexcept {
  Registry& registry = TheRegistry();
  std::vector<std::unique_ptr<detail::ThreadStateBase>> released;
  {
    const std::lock_guard lock(registry.mutex);
    released.swap(registry.states);
    registry.generation.fetch_add(1, std::memory_order_acq_rel);
  }
  // Destroyed outside the lock: a state's clean-up may take time (freeing a library).
  released.clear();
}

}  // namespace orvan
