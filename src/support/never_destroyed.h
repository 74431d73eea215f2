// An object of static duration that is never destroyed: code that runs after the module's static
// destructors (a host releasing our objects in its own clean-up at exit) still finds it whole.
#pragma once

#include <new>

namespace orvan {

template <typename T>
class NeverDestroyed {
 public:
  NeverDestroyed() { new (storage_) T(); }
  NeverDestroyed(const NeverDestroyed&) = delete;
  NeverDestroyed& operator=(const NeverDestroyed&) = delete;
  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace orvan
