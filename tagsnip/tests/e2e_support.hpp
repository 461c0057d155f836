// SPDX-License-Identifier: BSD-2-Clause
// Running the built tagsnip as a user would.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace e2e {

struct call {
    std::vector<std::string> args;
    std::string input;
    std::string cwd;
    std::string stdout_path;
    long file_size_limit = -1;
    std::vector<std::string> env = {"LC_ALL=C.UTF-8"};
};

inline testsupport::run_result snip(const call& c)
{
    testsupport::run_request r;
    r.argv = {"tagsnip"};
    r.argv.insert(r.argv.end(), c.args.begin(), c.args.end());
    r.input = c.input;
    r.cwd = c.cwd;
    r.stdout_path = c.stdout_path;
    r.file_size_limit = c.file_size_limit;
    r.env = c.env;
    r.timeout_seconds = 120;
    return testsupport::run(r);
}

inline testsupport::run_result snip(std::vector<std::string> args, std::string input = "")
{
    call c;
    c.args = std::move(args);
    c.input = std::move(input);
    return snip(c);
}

inline unsigned mode_of(const std::string& path)
{
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

inline bool is_symlink(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

const std::string usage_tail =
    " [-C|--cat] [-0|--discard] [-H|--highlight] [-E|--enumerate] [-X|--extract] [-D|--delete|--remove]"
    " [-F|--insert-front insert_file] [-B|--insert-back insert_file] [-R|--replace insert_file]"
    " [-i|--input input_file] [-o|--output output_file] [-a|--append] [-p|--in-place] [-k|--keep-broken]"
    " [--min-actions|-m actions] [--max-actions|-M actions] [-s|--select from_line to_line]"
    " [-b|--begin-tag begin_tag] [-e|--end-tag end_tag] [-t|--tag tag] [-y|--include-tags]"
    " [-x|--exclude-tags] [-f|--full-tag-lines] [-g|--tags-only] [--exact-tag-lines] [--strict-blocks]"
    " [--ensure-block insert_file]"
    " [--highlight-[begin|end|unmarked1|unmarked2|marked1|marked2] label]"
    " [--highlight-params begin_label end_label unmarked1_label unmarked2_label marked1_label marked2_label]"
    " [--enumerate-format format] [--enumerate-label[1|2] string] [-q|--suppress-warnings] [-h|--help]"
    " [-v|--version]\n";

const std::string usage = "Usage: tagsnip" + usage_tail;

const std::string count_error =
    "ERROR: Number of actions outside of set limits (--min-actions/-m/--max-actions/-M)!\n";
const std::string line_actions_warning =
    "WARNING: Begin/end tags (--begin-tag/-b/--end-tag/-e/--tag/-t) have no effect for Cat, Discard, or "
    "Enumerate!\n";
const std::string identical_warning =
    "WARNING: Identical begin/end tags (--tag/-t) with excluded tags (--exclude-tags/-x) are not useful for "
    "Extract, Remove, or Replace!\n";

}  // namespace e2e
