#include "command_line.h"

#include <cstddef>
#include <utility>

namespace dunmoral {

namespace {

bool isSeparator(char16_t unit) { return unit == u' ' || unit == u'\t'; }

}  // namespace

std::vector<std::u16string> splitCommandLine(std::u16string_view parameters) {
    std::vector<std::u16string> arguments;
    const std::size_t end = parameters.size();
    std::size_t i = 0;
    bool quoted = false;
    for (;;) {
        while (i < end && isSeparator(parameters[i])) {
            ++i;
        }
        if (i == end) {
            break;
        }
        std::u16string argument;
        for (;;) {
            bool keep = true;
            std::size_t backslashes = 0;
            while (i < end && parameters[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < end && parameters[i] == u'"') {
                if (backslashes % 2 == 0) {
                    if (quoted && i + 1 < end && parameters[i + 1] == u'"') {
                        ++i;  // "" inside quotes: one literal quote, still quoted
                    } else {
                        keep = false;
                        quoted = !quoted;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, u'\\');
            if (i == end || (!quoted && isSeparator(parameters[i]))) {
                break;
            }
            if (keep) {
                argument.push_back(parameters[i]);
            }
            ++i;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace dunmoral
