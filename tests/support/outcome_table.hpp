// SPDX-License-Identifier: BSD-2-Clause
// Tables of whole runs of one program: arguments in, status and both output
// streams out, compared byte for byte. Used with TEST_P:
//   class Outcome : public testing::TestWithParam<testsupport::outcome_case> {};
//   TEST_P(Outcome, Exactly) { testsupport::expect_outcome("prog", GetParam()); }
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace testsupport {

struct outcome_case {
    const char* name;  // the case's name in the test list
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
    std::string input = {};  // bytes on standard input
    std::vector<std::string> env = {"LC_ALL=C.UTF-8"};  // NAME=value, added to the runner's base
};

// A failing case is named in gtest's report by its name, not as bytes.
inline void PrintTo(const outcome_case& c, std::ostream* os)
{
    *os << c.name;
}

// The program NAME from bin/ with ARGS, in a UTF-8 C locale unless ENV says otherwise.
inline run_result run_program(const std::string& name, std::vector<std::string> args,
                              std::vector<std::string> env = {"LC_ALL=C.UTF-8"})
{
    run_request r;
    r.argv = {name};
    r.argv.insert(r.argv.end(), args.begin(), args.end());
    r.env = std::move(env);
    return run(r);
}

inline void expect_outcome(const std::string& name, const outcome_case& c)
{
    run_request request;
    request.argv = {name};
    request.argv.insert(request.argv.end(), c.args.begin(), c.args.end());
    request.env = c.env;
    request.input = c.input;
    const run_result r = run(request);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
}

// For the last argument of INSTANTIATE_TEST_SUITE_P.
inline std::string outcome_name(const testing::TestParamInfo<outcome_case>& p)
{
    return p.param.name;
}

}  // namespace testsupport
