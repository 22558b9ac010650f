// The line reader: one text file read line by line, each line handed out as UTF-16.
#ifndef DUNMORAL_LINE_READER_H
#define DUNMORAL_LINE_READER_H

#include <cstdint>
#include <string_view>

namespace dunmoral::lines {

int32_t open(std::u16string_view path);
const char16_t* readLine();
int32_t atEnd();
int32_t close();

}  // namespace dunmoral::lines

#endif
