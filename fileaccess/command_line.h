// Splits a parameter string into arguments the way a Windows program's runtime does, so an
// application started directly on POSIX receives the words it would receive on Windows.
#ifndef DUNMORAL_COMMAND_LINE_H
#define DUNMORAL_COMMAND_LINE_H

#include <string>
#include <string_view>
#include <vector>

namespace dunmoral {

// Spaces and tabs separate arguments. Double quotes group and are removed; inside quotes a
// doubled quote stands for one quote character. 2n backslashes before a quote become n and the
// quote groups; 2n+1 become n and a literal quote. Other backslashes are literal.
std::vector<std::u16string> splitCommandLine(std::u16string_view parameters);

}  // namespace dunmoral

#endif
