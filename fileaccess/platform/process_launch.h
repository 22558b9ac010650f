// Starting an external application on a document, without waiting for it.
#ifndef DUNMORAL_PLATFORM_PROCESS_LAUNCH_H
#define DUNMORAL_PLATFORM_PROCESS_LAUNCH_H

#include <string_view>

namespace dunmoral::platform {

// Starts the application with parameters as its command-line parameters and returns at once.
// Windows: the shell's "open" of the application, parameters as they are. POSIX: the
// application itself, no shell, parameters split by the Windows rules; the started process is
// no child of the caller, so it never waits as a zombie. Failures are ignored.
void launchDetached(std::u16string_view application, std::u16string_view parameters);

}  // namespace dunmoral::platform

#endif
