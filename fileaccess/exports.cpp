// The thirteen exports, as the host binds them by name.
#include "dunmoral.h"

#include "launchers.h"
#include "line_reader.h"
#include "truss_data.h"
#include "unicode_text.h"

namespace {

void store(int32_t* target, int32_t value) {
    if (target != nullptr) {
        *target = value;
    }
}

int32_t deliver(const dunmoral::truss::Record& record, int32_t* a, int32_t* b, int32_t* c,
                int32_t* d, int32_t* e) {
    store(a, record.fields[0]);
    store(b, record.fields[1]);
    store(c, record.fields[2]);
    store(d, record.fields[3]);
    store(e, record.fields[4]);
    return record.fields[4];
}

}  // namespace

extern "C" {

DUNMORAL_API void DUNMORAL_CALL openDataFile(void) { dunmoral::truss::openFixed(); }

DUNMORAL_API void DUNMORAL_CALL openTrussDataFile(const char16_t* path) {
    dunmoral::truss::openNamed(dunmoral::hostString(path));
}

DUNMORAL_API void DUNMORAL_CALL openDebugFile(void) { dunmoral::truss::writeBareLog(); }

DUNMORAL_API int32_t DUNMORAL_CALL parseLine(int32_t* a, int32_t* b, int32_t* c, int32_t* d,
                                             int32_t* e) {
    return deliver(dunmoral::truss::readPlain(), a, b, c, d, e);
}

DUNMORAL_API int32_t DUNMORAL_CALL parseLineNew(int32_t* tag, int32_t* b, int32_t* c,
                                                int32_t* d, int32_t* e) {
    return deliver(dunmoral::truss::readTagged(), tag, b, c, d, e);
}

DUNMORAL_API int32_t DUNMORAL_CALL closeFile(void) { return dunmoral::truss::close(); }

DUNMORAL_API int32_t DUNMORAL_CALL Open(const char16_t* path) {
    return dunmoral::lines::open(dunmoral::hostString(path));
}

DUNMORAL_API const char16_t* DUNMORAL_CALL Readline(void) { return dunmoral::lines::readLine(); }

DUNMORAL_API int32_t DUNMORAL_CALL Eof(void) { return dunmoral::lines::atEnd(); }

DUNMORAL_API int32_t DUNMORAL_CALL Close(void) { return dunmoral::lines::close(); }

DUNMORAL_API void DUNMORAL_CALL openPdf(void) { dunmoral::launch::openPdf(); }

DUNMORAL_API void DUNMORAL_CALL openNotePad(void) { dunmoral::launch::openNotePad(); }

DUNMORAL_API void DUNMORAL_CALL openTextFile(int32_t viewerCode, const char16_t* document) {
    dunmoral::launch::openTextFile(viewerCode, dunmoral::hostString(document));
}

}  // extern "C"
