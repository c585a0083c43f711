#pragma once
// Replacing a file whole, for files another program reads while they change:
// the text goes into a temporary file of a unique hidden name in the same
// folder, which is then renamed over the file, so a reader opens the old text
// or the new one, never half of either, and two writers never write into
// each other's temporary file.
#include <string>
#include <string_view>

// False with why (the system's text) when the file cannot be replaced; no
// temporary file is left behind then. The file is readable by all (0644).
bool replaceFile(const std::string& path, std::string_view text, std::string& why);
