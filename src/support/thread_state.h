// Per-thread state of the add-in's modules. A module's variables in an apartment-threaded COM
// server exist once per thread; they live here instead of in thread_local objects with
// destructors, because those pin the DLL until the thread ends (it can never unload) and run
// their clean-up, such as freeing the job API library, from a thread-exit callback under the
// loader lock. The states are freed at one explicit step, when the server has no object left
// and may be unloaded (ReleaseThreadStates); whatever is left at process exit is not freed.
#pragma once

#include <memory>

namespace orvan {

namespace detail {

struct ThreadStateBase {
  virtual ~ThreadStateBase() = default;
};

template <class T>
struct ThreadStateOf final : ThreadStateBase {
  T value{};
};

// The generation of the states: starts at 1 and moves on at every release, so that a thread's
// cached pointer from before a release is never used again.
unsigned ThreadStateGeneration() noexcept;
// Takes ownership of a new state of the calling thread.
void AdoptThreadState(std::unique_ptr<ThreadStateBase> state);

}  // namespace detail

// The calling thread's instance of T, made (value-initialised) on first use after a release.
template <class T>
T& PerThread() {
  // Trivially destructible: no thread-exit callback, nothing pinned.
  struct Slot {
    T* state;
    unsigned generation;
  };
  static thread_local Slot slot{};
  const unsigned generation = detail::ThreadStateGeneration();
  if (slot.state == nullptr || slot.generation != generation) {
    auto state = std::make_unique<detail::ThreadStateOf<T>>();
    T* const value = &state->value;
    detail::AdoptThreadState(std::move(state));  // may throw: the slot stays as it was
    slot = Slot{value, generation};
  }
  return *slot.state;
}

// Frees every thread's state. Only when no code of the add-in runs on any thread: the server
// calls it when it has no object left.
void ReleaseThreadStates() noexcept;

}  // namespace orvan
