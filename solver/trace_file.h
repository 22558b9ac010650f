// The plain-text trace file "op1.txt" in the current directory. Each writer opens the file,
// writes one block and closes it; a file that cannot be opened is skipped.
#ifndef SKELVANE_TRACE_FILE_H
#define SKELVANE_TRACE_FILE_H

namespace skelvane {

// Fresh file ("w") with params[0..18].
void writeParameterBlock();
// Appended: abserr, params 0-2 under their historical labels, y[0..19].
void writeInitialisationBlock();
// Appended: y and yp in whole groups of four, up to neqn.
void writeDumpBlock();

}  // namespace skelvane

#endif
