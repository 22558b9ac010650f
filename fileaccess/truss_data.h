// The truss data reader: one data file of whitespace-separated integer records, read one record
// per call, every step traced in the debug log.
#ifndef DUNMORAL_TRUSS_DATA_H
#define DUNMORAL_TRUSS_DATA_H

#include <cstdint>
#include <string_view>

namespace dunmoral::truss {

inline constexpr const char* kFixedDataFile = "TestTruss.txt";

void openFixed();
void openNamed(std::u16string_view path);
void writeBareLog();

// The five fields of one record; those the scan did not convert stay 0.
struct Record {
    int32_t fields[5] = {0, 0, 0, 0, 0};
};
Record readPlain();
Record readTagged();

// The close status: 0 on success, and 0 when no data file was open.
int32_t close();

}  // namespace dunmoral::truss

#endif
