#pragma once
// Data files that ship with the programs (the dashboard's font and emblem).
// The run folder's own copy comes first, as it always has; an installed
// station also finds them in share/torva beside its bin/ folder, found from
// the program's own path, so a package unpacked anywhere works from any folder.
#include <string>

// prefix/share/torva for a program at prefix/bin/NAME.
std::string installedShareFolder(const std::string& programPath);

// name when the working folder has it; else the copy in the installed share
// folder of the program at programPath when there is one; else name.
std::string stationDataFile(const std::string& name, const std::string& programPath);

// The same for this process (its program read from /proc/self/exe).
std::string stationDataFile(const std::string& name);
