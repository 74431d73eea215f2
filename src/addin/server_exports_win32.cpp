// The in-process COM server's entry points. The add-in's classes register here as they arrive;
// until then the server hands out no class objects and may always be unloaded.
#include "platform/win32/win32.h"

extern "C" {

STDAPI DllCanUnloadNow() {
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // extern "C"
