// SPDX-License-Identifier: BSD-2-Clause
// What a tagsnip run holds once it has begun to open its files. The record
// belongs to run (run.hpp), which hands it to each step of the set-up that
// opens something and releases all of it at the run's one way out.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>

#include "tagsnip/input.hpp"
#include "tagsnip/output.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// A file as it was when the run opened it.
struct file_identity {
    bool known = false;
    bool regular = false;
    dev_t device = 0;
    ino_t inode = 0;
};

inline file_identity identity_of(const struct stat& st)
{
    return file_identity{true, S_ISREG(st.st_mode), st.st_dev, st.st_ino};
}

inline bool same_file(const file_identity& a, const struct stat& b)
{
    return a.known && a.device == b.st_dev && a.inode == b.st_ino;
}

struct run_state {
    const run_settings* settings = nullptr;
    line_buffer buffer;
    // An in-place update: the input's absolute path, and the temporary
    // output's name beside it.
    char* resolved_input_path = nullptr;
    char* temp_output_path = nullptr;
    const char* input_name = nullptr;
    file_identity input_identity;
    FILE* input = nullptr;
    bool input_opened = false;
    output_stream output;
    bool output_opened = false;  // output.fd is a file the run opened
    // Taken the moment the output file was opened: a broken output is
    // removed only while its name still holds this very file.
    file_identity output_identity;
    int output_identity_error = 0;
    bool output_removable = false;  // created or emptied by the run: deleted when broken
    bool output_cut_back = false;   // appended to: cut back to length_before when broken
    off_t length_before = 0;
    int insert_file = -1;            // the insert file, opened by the run
    FILE* insert_copy = nullptr;     // the anonymous copy of a stream that cannot be re-read
};

}  // namespace tagsnip
