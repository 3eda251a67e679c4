#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"

// The file work of the single-file editor and the batch wizard. Paths are the
// file system's bytes; texts are UTF-8, as the list rows and the tag classes
// hold them. Level 1 writes the ID3v1 tag, any other level the ID3v2 tag; the
// other version's tag is never touched.

class SaveRun;
using SaveDone = std::function<void(const SaveOutcome&)>;
using FieldText = std::pair<TagField, std::string>;

// The editor's save: loads the level's tag from the file as it is now, sets
// the given fields and saves it, so the other fields, the track number and
// everything else the tag holds stay. At level 1 the genre number is that of
// the genre text when it is one of the 148 names, else 255.
SaveOutcome SaveTagFields(const std::string& path, int level, const std::vector<FieldText>& fields);
// The same with all six fields.
SaveOutcome SaveTagTexts(const std::string& path, int level, const TagTexts& texts);

// The wizard's save of one file: loads the file's tags afresh, sets the
// given fields of the level's tag and adds the save to the run, so the file
// is saved once with all of them and everything else it held survives. done
// gets the outcome: at once when the file cannot be loaded, otherwise after
// the file's group.
void WriteTagFields(SaveRun& run, const std::string& path, int level,
                    const std::vector<FieldText>& fields, const SaveDone& done);
