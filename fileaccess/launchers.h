// The document launchers: two fixed documents run through the command interpreter, and any
// document opened in one of seven viewer applications.
#ifndef DUNMORAL_LAUNCHERS_H
#define DUNMORAL_LAUNCHERS_H

#include <cstdint>
#include <string_view>

namespace dunmoral::launch {

void openPdf();
void openNotePad();
// The application of a viewer code; every code outside 0 to 5 selects the last row.
std::u16string_view viewerApplication(int32_t code);
void openTextFile(int32_t code, std::u16string_view document);

}  // namespace dunmoral::launch

#endif
