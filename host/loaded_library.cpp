#include "loaded_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostsupport {

#if defined(_WIN32)

std::string libraryFileName(const std::string& baseName) { return baseName + ".dll"; }

LoadedLibrary::LoadedLibrary(const std::string& baseName) {
    const std::string file = libraryFileName(baseName);
    const std::wstring wide(file.begin(), file.end());
    handle_ = reinterpret_cast<void*>(LoadLibraryW(wide.c_str()));
    if (handle_ == nullptr) {
        error_ = "LoadLibraryW(" + file + ") failed with error " + std::to_string(GetLastError());
    }
}

LoadedLibrary::~LoadedLibrary() {
    if (handle_ != nullptr) {
        FreeLibrary(reinterpret_cast<HMODULE>(handle_));
    }
}

LoadedLibrary::AnyFunction LoadedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    FARPROC proc = GetProcAddress(reinterpret_cast<HMODULE>(handle_), name);
    return reinterpret_cast<AnyFunction>(reinterpret_cast<void (*)()>(proc));
}

#else

std::string libraryFileName(const std::string& baseName) { return "lib" + baseName + ".so"; }

LoadedLibrary::LoadedLibrary(const std::string& baseName) {
    handle_ = dlopen(libraryFileName(baseName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* message = dlerror();
        error_ = message != nullptr ? message : "dlopen failed";
    }
}

LoadedLibrary::~LoadedLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

LoadedLibrary::AnyFunction LoadedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<AnyFunction>(dlsym(handle_, name));
}

#endif

}  // namespace hostsupport
