#pragma once
// What the process holds now, read from /proc: for tests and benchmarks that
// check nothing is left behind.

#include <dirent.h>

#include <fstream>
#include <string>

namespace process_figures {

// Entries of `directory` (/proc/self/task: threads; /proc/self/fd: descriptors).
inline int CountEntries(const char* directory)
{
    int count = 0;
    if (DIR* dir = opendir(directory)) {
        while (dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

// The resident set, in KiB.
inline long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

}  // namespace process_figures
