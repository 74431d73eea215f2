// The in-process COM server's entry points for the class objects: one factory per class of the
// table, and the library may be unloaded when no object of it is alive and no factory is locked.
#include "addin/com_classes_win32.h"
#include "support/thread_state.h"

extern "C" {

// With no object left the library may go: the modules' per-thread state (the job API library
// among it) is freed here, outside the loader lock, rather than when the DLL is detached.
STDAPI DllCanUnloadNow() {
  if (orvan::win32::ServerInUse()) return S_FALSE;
  orvan::ReleaseThreadStates();
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return orvan::win32::GetClassObject(clsid, iid, object);
}

}  // extern "C"
