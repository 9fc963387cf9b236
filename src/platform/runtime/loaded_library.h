// Libraries that only some processes need are loaded on first use instead of being linked, so that
// a host pays for them only when it uses them (the Qt dialogs, the network search, VXI-11, fonts).
#pragma once

#include <string>

namespace trv3 {

class LoadedLibrary {
 public:
  // Loads the library, by path or by a name the dynamic linker looks up, with its symbols bound at
  // once. It stays loaded for the life of the process: what it made may outlive any one caller.
  explicit LoadedLibrary(const std::string& file);

  // The function of that name, or nullptr when the library or the function is not there.
  template <class Function>
  Function function(const char* name) {
    return reinterpret_cast<Function>(symbol(name));
  }

  // Why the library or the last function asked for could not be had; empty while all went well.
  const std::string& failure() const { return failure_; }

 private:
  void* symbol(const char* name);

  void* handle_ = nullptr;
  std::string failure_;
};

}  // namespace trv3
