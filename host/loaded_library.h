// Loads a library by its bare name at run time and looks exports up by their undecorated names,
// the way the game host does. The platform's loader lives in loaded_library.cpp only.
#ifndef HOST_LOADED_LIBRARY_H
#define HOST_LOADED_LIBRARY_H

#include <string>

namespace hostsupport {

// "Skelvane" -> "libSkelvane.so" on Linux, "Skelvane.dll" on Windows.
std::string libraryFileName(const std::string& baseName);

class LoadedLibrary {
public:
    using AnyFunction = void (*)();

    // Loads the library found by the platform's search for its file name.
    explicit LoadedLibrary(const std::string& baseName);
    // Unloads it, so the next load starts with fresh module state.
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    // The export of that exact name, or nullptr.
    AnyFunction symbol(const char* name) const;

    template <typename Function>
    Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace hostsupport

#endif
