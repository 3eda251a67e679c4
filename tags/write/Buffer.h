#pragma once

// The buffer of a save that changes the file's size where room cannot be
// inserted at its start: the complete new file beside the journal, durable
// before the journal entry names it, copied back into the file afterwards.

#include "tags/WritePath.h"
#include "tags/write/Plan.h"

namespace writepath {

// Fills e's buffer and the entry's prints of the old file and the buffer.
Failure FillBuffer(PlannedFile& e);
void RemoveBuffer(PlannedFile& e);
// A shifted file whose file system refused the insertion (nothing changed)
// goes through a buffer after all; false when that fails too (e says why).
bool ToBuffer(PlannedFile& e);

}  // namespace writepath
