// SPDX-License-Identifier: BSD-2-Clause
// A fuzz target without libFuzzer: runs it once over every file named on
// the command line, or in a folder named there, in name order. The test
// suite replays each corpus this way, so that an input that once failed
// keeps being tried in every build.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool read_whole(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    bytes.clear();
    std::uint8_t piece[65536];
    std::size_t got;
    while ((got = fread(piece, 1, sizeof piece, f)) > 0)
        bytes.insert(bytes.end(), piece, piece + got);
    const bool ok = ferror(f) == 0;
    fclose(f);
    return ok;
}

void add_inputs(const std::string& path, std::vector<std::string>& inputs)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        inputs.push_back(path);
        return;
    }
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        inputs.push_back(path);  // reported as unreadable below
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(path + "/" + name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    inputs.insert(inputs.end(), names.begin(), names.end());
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i)
        add_inputs(argv[i], inputs);
    std::vector<std::uint8_t> bytes;
    for (const std::string& path : inputs) {
        if (!read_whole(path, bytes)) {
            fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 1;
        }
        fprintf(stderr, "replay: %s\n", path.c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    fprintf(stderr, "replay: %zu input(s) passed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
