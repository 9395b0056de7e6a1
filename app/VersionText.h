#pragma once

#include <map>
#include <string>

namespace ruvo {

// A version record as the version-information calls see it: values by
// query path ("\VarFileInfo\Translation", "\StringFileInfo\<lang+cp>\..."),
// each value its raw bytes (strings without their terminating zero).
struct VersionRecord {
    std::map<std::string, std::string> values;
};

// The record the build embedded in this program.
const VersionRecord& OwnVersionRecord();

// The version text from a record (nullptr: the program has none): the
// FileVersion of the record's first translation, its 1st byte, ".", then its
// 3rd, 5th and 7th bytes; empty when anything is missing.
std::string VersionText(const VersionRecord* record);

// The version text of this program.
std::string VersionText();

} // namespace ruvo
