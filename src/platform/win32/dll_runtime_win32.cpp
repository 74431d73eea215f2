// Linked into each of our DLLs, so that a DLL freed while the process goes on (FreeLibrary, as
// Office's CoFreeUnusedLibraries or the add-in's release of the job API library do) leaves
// nothing behind. A host may load and free a DLL many times over its life.
//
// - The guards of function-local statics are ours: a slim lock and a condition variable, which
//   need no kernel object. The C++ runtime's own guards wait on a condition variable of its
//   threads library, made at the first static's initialisation: two semaphores per load of the
//   DLL, never closed.
// - The threads library records every thread that touches it (a duplicated thread handle, an
//   event, and the thread's thread-local variables) and lets go of that record only when the
//   thread ends. The host's thread outlives the DLL: the record is given back when it is freed.
// - The C++ runtime's emergency exception pool, allocated at load, is freed then too.
#include <cstdint>
#include <exception>

#include "win32.h"  // beside this file: the DLLs it goes into need no include path

// The threads library's TLS callback, which on DLL_THREAD_DETACH releases the calling thread's
// record and runs the destructors of its thread-specific data.
extern "C" const PIMAGE_TLS_CALLBACK __xl_f;

namespace __gnu_cxx {
void __freeres() noexcept;  // frees the C++ runtime's emergency exception pool
}

namespace {

SRWLOCK guard_lock = SRWLOCK_INIT;
CONDITION_VARIABLE guard_done = CONDITION_VARIABLE_INIT;

// A guard is 64 bits. Its first byte, which the compiler's inline check reads, says the static
// is initialised; the second that an initialisation is under way, by the thread in bytes 4-7.
struct GuardBytes {
  explicit GuardBytes(std::int64_t* guard) : bytes(reinterpret_cast<unsigned char*>(guard)) {}
  bool done() const { return __atomic_load_n(&bytes[0], __ATOMIC_ACQUIRE) != 0; }
  bool busy() const { return bytes[1] != 0; }
  DWORD owner() const {
    DWORD id;
    __builtin_memcpy(&id, bytes + 4, sizeof id);
    return id;
  }
  void Start() {
    bytes[1] = 1;
    const DWORD id = GetCurrentThreadId();
    __builtin_memcpy(bytes + 4, &id, sizeof id);
  }
  void Stop() {
    bytes[1] = 0;
    __builtin_memset(bytes + 4, 0, 4);
  }
  unsigned char* bytes;
};

void NTAPI ReleaseRuntimeOnFree(PVOID module, DWORD reason, PVOID reserved) {
  // reserved is null when the DLL is freed, not null when the whole process ends (then there
  // is nothing to give back, and other threads may be gone mid-use).
  if (reason != DLL_PROCESS_DETACH || reserved != nullptr) return;
  if (__xl_f != nullptr) __xl_f(module, DLL_THREAD_DETACH, nullptr);
  __gnu_cxx::__freeres();
}

}  // namespace

// 1: the caller initialises the static and then calls __cxa_guard_release (or, if the
// initialiser throws, __cxa_guard_abort); 0: it is initialised already. A thread arriving while
// another initialises waits for it.
extern "C" int __cxa_guard_acquire(std::int64_t* guard) {
  GuardBytes state(guard);
  if (state.done()) return 0;
  AcquireSRWLockExclusive(&guard_lock);
  int initialise = 0;
  for (;;) {
    if (state.done()) break;
    if (!state.busy()) {
      state.Start();
      initialise = 1;
      break;
    }
    // A static whose initialiser reaches itself again: undefined, and waiting would never end.
    if (state.owner() == GetCurrentThreadId()) std::terminate();
    SleepConditionVariableSRW(&guard_done, &guard_lock, INFINITE, 0);
  }
  ReleaseSRWLockExclusive(&guard_lock);
  return initialise;
}

extern "C" void __cxa_guard_release(std::int64_t* guard) noexcept {
  GuardBytes state(guard);
  AcquireSRWLockExclusive(&guard_lock);
  state.Stop();
  __atomic_store_n(&state.bytes[0], 1, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&guard_lock);
  WakeAllConditionVariable(&guard_done);
}

extern "C" void __cxa_guard_abort(std::int64_t* guard) noexcept {
  GuardBytes state(guard);
  AcquireSRWLockExclusive(&guard_lock);
  state.Stop();  // the next caller tries again
  ReleaseSRWLockExclusive(&guard_lock);
  WakeAllConditionVariable(&guard_done);
}

// Sections .CRT$XLA to .CRT$XLZ form the DLL's TLS callback array in name order: .CRT$XLE runs
// before the threads library's own callback (.CRT$XLF), which on DLL_PROCESS_DETACH frees its
// thread-local slot and with it the way to the record.
extern "C" __attribute__((section(".CRT$XLE"), used))
const PIMAGE_TLS_CALLBACK orvan_release_runtime_on_free = ReleaseRuntimeOnFree;
