// SPDX-License-Identifier: BSD-2-Clause
// The split of a time format template at its first seconds field.
#include <gtest/gtest.h>

#include <cstdlib>

#include "timestamp/template_split.hpp"

namespace {

struct template_case {
    const char* time_template;
    bool has_seconds;
    const char* prefix;
    const char* suffix;
};

class SplitTemplate : public testing::TestWithParam<template_case> {};

TEST_P(SplitTemplate, AtTheFirstSecondsField)
{
    const template_case& c = GetParam();
    const timestamp::template_parts parts = timestamp::split_template(c.time_template);
    ASSERT_EQ(parts.has_seconds, c.has_seconds);
    if (c.has_seconds) {
        EXPECT_STREQ(parts.prefix, c.prefix);
        EXPECT_STREQ(parts.suffix, c.suffix);
    } else {
        EXPECT_EQ(parts.prefix, nullptr);
    }
    free(parts.prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, SplitTemplate,
    testing::Values(template_case{"%Y-%m-%d %H:%M:%S", true, "%Y-%m-%d %H:%M:", ""},
                    template_case{"%S", true, "", ""},
                    template_case{"a%Sb%S", true, "a", "b%S"},
                    template_case{"%%%S.", true, "%%", "."},
                    template_case{"%%S at %H", false, nullptr, nullptr},
                    template_case{"%H:%M", false, nullptr, nullptr},
                    template_case{"%H%", false, nullptr, nullptr},
                    template_case{"%OS", false, nullptr, nullptr},
                    template_case{"", false, nullptr, nullptr},
                    template_case{"%", false, nullptr, nullptr}));

}  // namespace
