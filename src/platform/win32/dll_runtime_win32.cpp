// Linked into each of our DLLs, so that a DLL freed while the process goes on (FreeLibrary, as
// Office's CoFreeUnusedLibraries or the add-in's release of the job API library do) leaves
// nothing behind. A host may load and free a DLL many times over its life.
//
// - The guards of function-local statics are ours: a slim lock and a condition variable, which
//   need no kernel object. The C++ runtime's own guards wait on a condition variable of its
//   threads library, made at the first static's initialisation: two semaphores per load of the
//   DLL, never closed.
// - The few threads functions the C++ runtime and the compiler's support library call (mutexes,
//   once-only initialisation, thread-specific keys for thread_local variables) are ours too, so
//   that the toolchain's threads library is not linked in. That library keeps, per load, a
//   thread-local slot it never frees (the process runs out of them after about a thousand
//   loads), a record of each thread that touches it, the lock of its key table with two
//   semaphores, and a heap block for every static mutex ever locked.
// - Everything is given back at the very end of the DLL's detach, after its static destructors
//   and the runtime's own teardown (which may still use a thread_local variable or a mutex):
//   the keys with the values of all threads, and the C++ runtime's emergency exception pool.
#include <pthread.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "win32.h"  // beside this file: the DLLs it goes into need no include path

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

// Thread-specific keys: fiber-local slots, whose callback runs the key's destructor when a thread
// ends and, for every thread's value, when the slot is freed. Only the support library's
// thread_local storage makes one.
constexpr int kKeys = 4;
struct Key {
  DWORD slot = FLS_OUT_OF_INDEXES;
  void (*destructor)(void*) = nullptr;
};
Key keys[kKeys];

template <int index>
void NTAPI DestroyValue(void* value) {
  if (value != nullptr && keys[index].destructor != nullptr) keys[index].destructor(value);
}
constexpr PFLS_CALLBACK_FUNCTION kDestroyValue[kKeys] = {DestroyValue<0>, DestroyValue<1>,
                                                         DestroyValue<2>, DestroyValue<3>};

// Set when the DLL is freed in a living process (not when the process ends: then there is
// nothing to give back, and other threads may be gone mid-use).
bool freed_while_running = false;

void NTAPI NoteDetach(PVOID, DWORD reason, PVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) freed_while_running = reserved == nullptr;
}

// Registered before anything else of the DLL registers with atexit, so it runs after all the
// others: after the static destructors and the unwinder's frame deregistration.
void ReleaseRuntime() {
  if (!freed_while_running) return;
  for (Key& key : keys) {
    if (key.slot != FLS_OUT_OF_INDEXES) FlsFree(key.slot);  // destroys each thread's value
    key = Key{};
  }
  __gnu_cxx::__freeres();
}

void RegisterRelease() {
  std::atexit(ReleaseRuntime);
}

// A mutex word is a slim lock itself: the static initialiser's -1 becomes the lock's 0 at first
// use. Recursive and error-checking mutexes are not needed by the runtime and not provided.
SRWLOCK* SlimLock(pthread_mutex_t* mutex) {
  pthread_mutex_t value = __atomic_load_n(mutex, __ATOMIC_ACQUIRE);
  if (value == PTHREAD_MUTEX_INITIALIZER) {
    __atomic_compare_exchange_n(mutex, &value, 0, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
  } else if (value == PTHREAD_RECURSIVE_MUTEX_INITIALIZER ||
             value == PTHREAD_ERRORCHECK_MUTEX_INITIALIZER) {
    std::abort();
  }
  return reinterpret_cast<SRWLOCK*>(mutex);
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

extern "C" int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attributes) {
  if (attributes != nullptr && (*attributes & 3) != PTHREAD_MUTEX_NORMAL) std::abort();
  *mutex = 0;
  return 0;
}

extern "C" int pthread_mutex_destroy(pthread_mutex_t*) {
  return 0;
}

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
  AcquireSRWLockExclusive(SlimLock(mutex));
  return 0;
}

extern "C" int pthread_mutex_unlock(pthread_mutex_t* mutex) {
  ReleaseSRWLockExclusive(SlimLock(mutex));
  return 0;
}

// 0: not run, 1: done, 2: running in some thread (the others wait).
extern "C" int pthread_once(pthread_once_t* once, void (*function)()) {
  if (__atomic_load_n(once, __ATOMIC_ACQUIRE) == 1) return 0;
  AcquireSRWLockExclusive(&guard_lock);
  for (;;) {
    if (*once == 1) {
      ReleaseSRWLockExclusive(&guard_lock);
      return 0;
    }
    if (*once == 0) break;
    SleepConditionVariableSRW(&guard_done, &guard_lock, INFINITE, 0);
  }
  *once = 2;
  ReleaseSRWLockExclusive(&guard_lock);
  long outcome = 1;
  try {
    function();
  } catch (...) {
    outcome = 0;  // the next caller tries again
    AcquireSRWLockExclusive(&guard_lock);
    *once = outcome;
    ReleaseSRWLockExclusive(&guard_lock);
    WakeAllConditionVariable(&guard_done);
    throw;
  }
  AcquireSRWLockExclusive(&guard_lock);
  __atomic_store_n(once, outcome, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&guard_lock);
  WakeAllConditionVariable(&guard_done);
  return 0;
}

extern "C" int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  AcquireSRWLockExclusive(&guard_lock);
  int result = EAGAIN;
  for (int index = 0; index < kKeys; ++index) {
    if (keys[index].slot != FLS_OUT_OF_INDEXES) continue;
    keys[index].destructor = destructor;
    keys[index].slot = FlsAlloc(kDestroyValue[index]);
    if (keys[index].slot != FLS_OUT_OF_INDEXES) {
      *key = index;
      result = 0;
    }
    break;
  }
  ReleaseSRWLockExclusive(&guard_lock);
  return result;
}

// Both keep the thread's last error: thread_local variables are read between a Windows call
// and its GetLastError.
extern "C" void* pthread_getspecific(pthread_key_t key) {
  const DWORD error = GetLastError();
  void* value = FlsGetValue(keys[key].slot);
  SetLastError(error);
  return value;
}

extern "C" int pthread_setspecific(pthread_key_t key, const void* value) {
  const DWORD error = GetLastError();
  const BOOL stored = FlsSetValue(keys[key].slot, const_cast<void*>(value));
  SetLastError(error);
  return stored ? 0 : ENOMEM;
}

// The DLL's TLS callbacks (sections .CRT$XLA to .CRT$XLZ) run at its detach before its entry
// point, which runs the atexit functions; C initialisers (.CRT$XCA to .CRT$XCZ) run at its attach
// before the static constructors.
extern "C" __attribute__((section(".CRT$XLE"), used)) const PIMAGE_TLS_CALLBACK orvan_note_detach =
    NoteDetach;
extern "C" __attribute__((section(".CRT$XCB"),
                          used)) void (*const orvan_register_release)() = RegisterRelease;
