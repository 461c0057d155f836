// SPDX-License-Identifier: BSD-2-Clause
// Every program's description for the frame: its version and usage lines,
// and option tables that agree with themselves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dozejitter/command_line.hpp"
#include "epochfmt/command_line.hpp"
#include "epochscan/command_line.hpp"
#include "frame/tool_frame.hpp"
#include "glyphpad/command_line.hpp"
#include "hostfacts/command_line.hpp"
#include "tagsnip/command_line.hpp"

namespace {

std::string fill(const char* format, const char* a, const char* b = nullptr)
{
    char buffer[2048];
    snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

TEST(ProgramDescriptions, VersionLinesNameTheProgram)
{
    for (const frame::tool_frame* tf :
         {&tagsnip::program_frame, &glyphpad::program_frame, &hostfacts::program_frame,
          &epochfmt::program_frame, &epochscan::program_frame, &dozejitter::program_frame}) {
        EXPECT_EQ(fill(tf->version_format, frame::version_text), std::string(tf->name) + " " SUITE_VERSION "\n");
        // Every long option returns its value; none uses a flag pointer.
        for (const option* o = tf->long_options; o->name != nullptr; ++o)
            EXPECT_EQ(o->flag, nullptr) << tf->name << " --" << o->name;
    }
}

TEST(ProgramDescriptions, UsageLines)
{
    EXPECT_EQ(fill(hostfacts::program_frame.usage_format, "./hf"),
              "Usage: ./hf [-h|--help] [-v|--version] [-c|--compatibility version]\n");
    EXPECT_EQ(fill(dozejitter::program_frame.usage_format, "Usage:", "/bin/dj"),
              "Usage: /bin/dj min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help] [-v|--version]\n");
    const std::string tagsnip = fill(tagsnip::program_frame.usage_format, "Usage:", "tagsnip");
    EXPECT_EQ(tagsnip.rfind("Usage: tagsnip [-C|--cat] [-0|--discard] ", 0), 0u);
    EXPECT_NE(tagsnip.find(" [-s|--select from_line to_line] "), std::string::npos);
    EXPECT_NE(tagsnip.find("marked1_label marked2_label] [--enumerate-format format]"), std::string::npos);
    const std::string glyphpad = fill(glyphpad::program_frame.usage_format, "Usage:", "g");
    EXPECT_NE(glyphpad.find("[-s border_left separator border_right|--separator border_left separator border_right]"),
              std::string::npos);
    EXPECT_EQ(glyphpad.substr(glyphpad.size() - 10), " [string]\n");
    EXPECT_EQ(fill(epochscan::program_frame.usage_format, "Usage:", "es").substr(0, 40),
              "Usage: es time_string [...] [-T|--templa");
}

// Each short option with a long form maps to the same value.
TEST(ProgramDescriptions, LongOptionsMatchShortOptions)
{
    for (const frame::tool_frame* tf :
         {&tagsnip::program_frame, &glyphpad::program_frame, &hostfacts::program_frame,
          &epochfmt::program_frame, &epochscan::program_frame, &dozejitter::program_frame}) {
        for (const option* o = tf->long_options; o->name != nullptr; ++o) {
            if (o->val >= 256)
                continue;
            const char* at = strchr(tf->short_options, o->val);
            ASSERT_NE(at, nullptr) << tf->name << " --" << o->name;
            EXPECT_EQ(at[1] == ':', o->has_arg == required_argument) << tf->name << " --" << o->name;
        }
    }
}

}  // namespace
