// The in-process COM server's entry points for the class objects: one factory per class of the
// table, and the library may be unloaded when no object of it is alive and no factory is locked.
#include "addin/com_classes_win32.h"

extern "C" {

STDAPI DllCanUnloadNow() {
  return orvan::win32::CanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return orvan::win32::GetClassObject(clsid, iid, object);
}

}  // extern "C"
