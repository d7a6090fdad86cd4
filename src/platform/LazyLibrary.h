#pragma once
// A shared library mapped when a program first needs it rather than at its start. The dynamic
// loader maps and relocates every library a program links before main runs; a library used by
// one feature only (reading XML, spelling a name) is opened here instead, and its functions are
// looked up by name. Header-only, so that the stand-in services use it without linking the
// client's libraries.

#include <dlfcn.h>

#include <iostream>

namespace vokari {

class LazyLibrary {
 public:
  // Maps the library; a failure is said on standard error. Hold one in a function's static, so
  // that it is opened once, by whichever thread asks first.
  explicit LazyLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) std::cerr << "vokari: " << soname << " cannot be loaded: " << ::dlerror() << "\n";
  }
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  // Points `symbol` at what the library calls `name`; false when the library or the name is
  // missing.
  template <typename T>
  bool find(T*& symbol, const char* name) const {
    symbol = handle_ ? reinterpret_cast<T*>(::dlsym(handle_, name)) : nullptr;
    if (handle_ && !symbol) std::cerr << "vokari: " << ::dlerror() << "\n";
    return symbol != nullptr;
  }

 private:
  void* handle_;  // never closed: what the library handed out may outlive any user
};

}  // namespace vokari
