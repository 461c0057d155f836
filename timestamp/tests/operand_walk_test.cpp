// SPDX-License-Identifier: BSD-2-Clause
// The converters' operands: the command line's, the lines of an operand
// file after them, or else the current time.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#include "timestamp/operand_walk.hpp"

namespace {

TEST(OperandWalk, CurrentTimeOnceOrEachOperandInOrder)
{
    std::string seen;
    timestamp::walk_operands(0, nullptr, nullptr, [&](const char* operand, const timestamp::operand_file*) {
        seen += operand == nullptr ? "<now>" : operand;
    });
    EXPECT_EQ(seen, "<now>");
    char a[] = "a", b[] = "", c[] = "c";
    char* operands[] = {a, b, c};
    seen.clear();
    timestamp::walk_operands(3, operands, nullptr, [&](const char* operand, const timestamp::operand_file*) {
        seen += std::string("[") + (operand == nullptr ? "<now>" : operand) + "]";
    });
    EXPECT_EQ(seen, "[a][][c]");
}

// Lines of every length up to the longest taken, many across the ends of
// reads, come out whole and in order after the operands.
TEST(OperandWalk, FileLinesAfterTheOperands)
{
    std::mt19937 random(20261210u);
    std::vector<std::string> expected = {"a", ""};
    std::string content;
    for (int i = 0; i < 300; ++i) {
        const unsigned kind = random() % 20;
        size_t length = random() % 30;
        if (kind == 0)
            length = timestamp::longest_operand_line - random() % 30000;
        else if (kind < 5)
            length = random() % 5000;
        if (i == 150)
            length = timestamp::longest_operand_line;
        std::string line(length, ' ');
        for (char& c : line)
            c = static_cast<char>(' ' + random() % 95);
        expected.push_back(line);
        content += line + "\n";
    }
    content += "last";  // without a newline
    expected.push_back("last");

    testsupport::temp_dir dir;
    testsupport::write_file(dir / "lines", content);
    const std::string path = dir / "lines";
    char a[] = "a", empty[] = "";
    char* operands[] = {a, empty};
    std::vector<std::string> seen;
    std::vector<unsigned long long> line_numbers;  // 0 for the command line's
    timestamp::walk_operands(2, operands, path.c_str(), [&](const char* operand, const timestamp::operand_file* from) {
        seen.push_back(operand == nullptr ? "<now>" : operand);
        line_numbers.push_back(from == nullptr ? 0 : from->line_number);
    });
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], expected[i]) << "line " << i - 1;
        EXPECT_EQ(line_numbers[i], i < 2 ? 0 : i - 1);
    }

    testsupport::write_file(path, "");  // an empty file: nothing, not the current time
    seen.clear();
    timestamp::walk_operands(0, nullptr, path.c_str(), [&](const char* operand, const timestamp::operand_file*) {
        seen.push_back(operand == nullptr ? "<now>" : operand);
    });
    EXPECT_TRUE(seen.empty());
}

// A NUL byte read before its line is moved to the front of the buffer is
// still found in that line.
TEST(OperandWalk, NulByteInALineMovedBetweenReads)
{
    testsupport::temp_dir dir;
    const std::string path = dir / "lines";
    const std::string full_line = std::string(130000, 'x') + "\n";  // three fill most of the first read
    testsupport::write_file(path, full_line + full_line + full_line + "b" + '\0' + std::string(100000, 'y') + "\n");
    EXPECT_EXIT(timestamp::walk_operands(0, nullptr, path.c_str(), [](const char*, const timestamp::operand_file*) {}),
                testing::ExitedWithCode(1), "ERROR: Line 4 of input file .* contains a NUL byte!");
}

}  // namespace
