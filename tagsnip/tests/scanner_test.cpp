// SPDX-License-Identifier: BSD-2-Clause
// The scanner's pieces for every kind of selection, read in one block, in
// tiny blocks that split lines, through stdio and through a descriptor; and
// over random input against the scan done the plain way, line by line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tagsnip/tests/scan_support.hpp"

namespace {

using scantest::joined;
using scantest::piece;
using scantest::scan;
using tagsnip::run_settings;

piece o(std::string text, bool boundary = false)
{
    return {'o', std::move(text), boundary};
}

piece i(std::string text, bool boundary = false)
{
    return {'i', std::move(text), boundary};
}

constexpr bool B = true;

struct scan_case {
    const char* name;
    run_settings settings;
    std::string input;
    std::vector<piece> pieces;
};

run_settings tags(const char* begin, const char* end, bool full, bool include)
{
    return scantest::tag_settings(begin, end, full, include);
}

const std::string one_line = "x BEGIN y END z\n";
const std::string five_lines = "a\nBEGIN\nb\nEND\nc\n";
const std::string dashes = "a\n--\nb\nc -- d --\ne\n";
const std::string numbers = "one\ntwo\nthree\nfour\nfive\n";

std::vector<scan_case> cases()
{
    return {
        {"one_line_tags_only_excluded", tags("BEGIN", "END", false, false), one_line,
         {o("x BEGIN", B), i(" y ", B), o("END z\n")}},
        {"one_line_tags_only_included", tags("BEGIN", "END", false, true), one_line,
         {o("x ", B), i("BEGIN y END", B), o(" z\n")}},
        {"one_line_full_excluded", tags("BEGIN", "END", true, false), one_line,
         {o("x BEGIN"), o(" y END z\n", B), i("", B)}},
        {"one_line_full_included", tags("BEGIN", "END", true, true), one_line,
         {o("", B), i("x BEGIN"), i(" y END z\n"), i("", B)}},
        {"lines_tags_only_excluded", tags("BEGIN", "END", false, false), five_lines,
         {o("a\n"), o("BEGIN", B), i("\n"), i("b\n"), i("", B), o("END\n"), o("c\n")}},
        {"lines_tags_only_included", tags("BEGIN", "END", false, true), five_lines,
         {o("a\n"), o("", B), i("BEGIN\n"), i("b\n"), i("END", B), o("\n"), o("c\n")}},
        {"lines_full_excluded", tags("BEGIN", "END", true, false), five_lines,
         {o("a\n"), o("BEGIN"), o("\n", B), i("b\n"), i("", B), o("END"), o("\n"), o("c\n")}},
        {"lines_full_included", tags("BEGIN", "END", true, true), five_lines,
         {o("a\n"), o("", B), i("BEGIN"), i("\n"), i("b\n"), i("END"), i("\n", B), o("c\n")}},
        {"identical_tags_only_excluded", tags("--", "--", false, false), dashes,
         {o("a\n"), o("--", B), i("", B), o("\n"), o("b\n"), o("c --", B), i("", B), o(" d --", B),
          i("", B), o("\n"), o("e\n")}},
        {"identical_tags_only_included", tags("--", nullptr, false, true), dashes,
         {o("a\n"), o("", B), i("--", B), o("\n"), o("b\n"), o("c ", B), i("--", B), o(" d ", B),
          i("--", B), o("\n"), o("e\n")}},
        {"identical_full_excluded", tags("--", "--", true, false), dashes,
         {o("a\n"), o("--"), o("\n", B), i("", B), o("b\n"), o("c --"), o(" d --\n", B), i("", B),
          o("e\n")}},
        {"identical_full_included", tags("--", "", true, true), dashes,
         {o("a\n"), o("", B), i("--"), i("\n", B), o("b\n"), o("", B), i("c --"), i(" d --\n", B),
          o("e\n")}},
        {"two_blocks_on_one_line", tags("BEGIN", "END", false, false), "1 BEGIN 2 END 3 BEGIN 4 END 5\n",
         {o("1 BEGIN", B), i(" 2 ", B), o("END 3 BEGIN", B), i(" 4 ", B), o("END 5\n")}},
        {"unclosed_block_closed_at_end", tags("BEGIN", "END", false, false), "a\nBEGIN b\nc",
         {o("a\n"), o("BEGIN", B), i(" b\n"), i("c"), i("", B)}},
        {"nul_hides_the_tag", tags("BEGIN", "END", false, false), std::string("a\0BEGIN b\n", 10),
         {o(std::string("a\0BEGIN b\n", 10))}},
        {"nul_hides_only_what_follows", tags("BEGIN", "END", false, false),
         std::string("BEGIN x END\0END\ny END\n", 22),
         {o("BEGIN", B), i(" x ", B), o(std::string("END\0END\n", 8)), o("y END\n")}},
        {"end_tag_found_inside_begin_tag", tags("ab", "a", false, true), "xaby\n",
         {o("x", B), i("a", B), o("by\n")}},
        {"begin_tag_found_inside_end_tag", tags("b", "/b", false, false), "1 b 2 /b 3\n",
         {o("1 b", B), i(" 2 ", B), o("/b", B), i(" 3\n"), i("", B)}},
        {"second_tag_on_a_full_line_is_text", tags("BEGIN", "END", true, true), "BEGIN END\nEND\nx\n",
         {o("", B), i("BEGIN"), i(" END\n"), i("END"), i("\n", B), o("x\n")}},
        {"tag_ending_in_newline", tags("<\n", ">\n", false, false), "a<\nb\nc>\n>\nd\n",
         {o("a<\n", B), i(""), i("b\n"), i("c", B), o(">\n"), o(">\n"), o("d\n")}},
        {"tag_across_lines_never_found", tags("a\nb", "END", false, false), "a\nb\n",
         {o("a\n"), o("b\n")}},
        {"empty_input_tags", tags("BEGIN", "END", false, false), "", {}},
        {"select_2_3", scantest::line_settings(2, 3), numbers,
         {o("one\n"), o("", B), i("two\n"), i("three\n"), i("", B), o("four\n"), o("five\n")}},
        {"select_4_0_closes_at_end", scantest::line_settings(4, 0), numbers,
         {o("one\n"), o("two\n"), o("three\n"), o("", B), i("four\n"), i("five\n"), i("", B)}},
        {"select_3_3", scantest::line_settings(3, 3), numbers,
         {o("one\n"), o("two\n"), o("", B), i("three\n"), i("", B), o("four\n"), o("five\n")}},
        {"select_3_2_nothing", scantest::line_settings(3, 2), numbers,
         {o("one\n"), o("two\n"), o("three\n"), o("four\n"), o("five\n")}},
        {"select_0_2_nothing", scantest::line_settings(0, 2), numbers,
         {o("one\n"), o("two\n"), o("three\n"), o("four\n"), o("five\n")}},
        {"select_resolved_below_first_line", scantest::line_settings(2, -1), numbers,
         {o("one\n"), o("two\n"), o("three\n"), o("four\n"), o("five\n")}},
        {"select_beyond_last_line", scantest::line_settings(5, 9), "one\ntwo\nthree\nfour\nfive",
         {o("one\n"), o("two\n"), o("three\n"), o("four\n"), o("", B), i("five"), i("", B)}},
        {"select_first_line_only", scantest::line_settings(1, 1), "one\n",
         {o("", B), i("one\n"), i("", B)}},
        {"no_selection", scantest::line_settings(0, 0), std::string("a\n\0\nb", 5),
         {o("a\n"), o(std::string("\0\n", 2)), o("b")}},
        {"empty_input_lines", scantest::line_settings(1, 0), "", {}},
    };
}

void PrintTo(const scan_case& c, std::ostream* os)
{
    *os << c.name;
}

class Scanner : public testing::TestWithParam<scan_case> {};

TEST_P(Scanner, PiecesLineByLine)
{
    const scan_case& c = GetParam();
    EXPECT_EQ(scan(c.input, c.settings).pieces, c.pieces);
}

TEST_P(Scanner, LinesSplitAcrossReadsGiveTheSamePieces)
{
    const scan_case& c = GetParam();
    for (std::size_t capacity : {1, 2, 3, 7}) {
        for (bool descriptor : {false, true}) {
            scantest::scan_options opt;
            opt.capacity = capacity;
            opt.through_descriptor = descriptor;
            EXPECT_EQ(scan(c.input, c.settings, opt).pieces, c.pieces)
                << "capacity " << capacity << (descriptor ? " descriptor" : " stdio");
        }
    }
}

TEST_P(Scanner, JoinedRunsCarryTheSameTextAndMarks)
{
    const scan_case& c = GetParam();
    for (std::size_t capacity : {std::size_t{1}, std::size_t{5}, tagsnip::line_buffer_size}) {
        scantest::scan_options opt;
        opt.per_line = false;
        opt.capacity = capacity;
        EXPECT_EQ(joined(scan(c.input, c.settings, opt).pieces), joined(c.pieces)) << "capacity " << capacity;
    }
}

INSTANTIATE_TEST_SUITE_P(Tagsnip, Scanner, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<scan_case>& p) { return std::string(p.param.name); });

TEST(ScannerLineNumbers, EachPieceSeesTheNumberOfItsLine)
{
    const scantest::recorder r = scan(numbers, scantest::line_settings(2, 3));
    EXPECT_EQ(r.numbers, (std::vector<std::int64_t>{1, 2, 2, 3, 3, 4, 5}));
    const scantest::recorder t = scan(five_lines, tags("BEGIN", "END", true, false));
    EXPECT_EQ(t.numbers, (std::vector<std::int64_t>{1, 2, 2, 3, 4, 4, 4, 5}));
}

TEST(ScannerLongLines, ALineFarLongerThanTheBufferStaysOnePiece)
{
    const std::string line(1 << 20, 'x');
    const std::string input = "a\n" + line + "BEGIN" + line + "END\nz";
    scantest::scan_options opt;
    opt.capacity = 16;
    const scantest::recorder r = scan(input, tags("BEGIN", "END", false, false), opt);
    EXPECT_EQ(r.pieces, (std::vector<piece>{o("a\n"), o(line + "BEGIN", B), i(line, B), o("END\n"), o("z")}));
}

TEST(FindTag, StopsAtTheEndGivenAndNeverCrossesALine)
{
    const std::string text = "abc\nabd\n";
    const char* p = text.data();
    EXPECT_EQ(tagsnip::find_tag(p, p + text.size(), "bd", 2), p + 5);
    EXPECT_EQ(tagsnip::find_tag(p, p + 6, "bd", 2), nullptr);
    EXPECT_EQ(tagsnip::find_tag(p, p + text.size(), "c\n", 2), p + 2);
    EXPECT_EQ(tagsnip::find_tag(p, p + text.size(), "c\na", 3), nullptr);
    EXPECT_EQ(tagsnip::find_tag(p, p + text.size(), "d", 1), p + 6);
    EXPECT_EQ(tagsnip::find_tag(p, p, "a", 1), nullptr);
}

TEST(FindTag, AgreesWithAPlainSearchOverRandomText)
{
    std::mt19937 random(16);
    const char alphabet[] = {'a', 'b', 'c', '\n', '\0'};
    auto text = [&](std::size_t most) {
        std::string t(random() % (most + 1), ' ');
        for (char& c : t)
            c = alphabet[random() % sizeof alphabet];
        return t;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string hay = text(round % 100 == 0 ? 300 : 70);
        std::string tag = text(4);
        if (tag.empty())
            tag = "a";
        const std::size_t from = hay.empty() ? 0 : random() % hay.size();
        const std::size_t found = hay.find(tag, from);
        const bool never = tag.find('\n') < tag.size() - 1;
        const char* expected = found == std::string::npos || never ? nullptr : hay.data() + found;
        ASSERT_EQ(tagsnip::find_tag(hay.data() + from, hay.data() + hay.size(), tag.data(), tag.size()), expected)
            << "round " << round;
    }
}

// The scan as the plain algorithm puts it: line by line, each tag searched
// for from the position on, a search that ends at the line's first NUL.
scantest::recorder scan_plainly(const std::string& input, const run_settings& s)
{
    scantest::recorder r;
    auto out = [&](const std::string& t, bool b) { scantest::emit_outside(r, t.data(), t.size(), b); };
    auto in = [&](const std::string& t, bool b) { scantest::emit_inside(r, t.data(), t.size(), b); };
    const bool identical = s.begin_tag == s.end_tag;
    bool inside = false;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t nl = input.find('\n', at);
        const std::size_t end = nl == std::string::npos ? input.size() : nl + 1;
        const std::string line = input.substr(at, end - at);
        at = end;
        const std::int64_t n = ++r.line_number;
        if (s.begin_tag == nullptr) {
            if (s.from_line < 1 || n < s.from_line || (s.to_line != 0 && n > s.to_line)) {
                out(line, false);
                continue;
            }
            if (n == s.from_line)
                out("", true);
            in(line, false);
            if (n == s.to_line)
                in("", true);
            continue;
        }
        const std::string visible = line.substr(0, line.find('\0'));
        std::size_t pos = 0;
        bool found = false;
        for (;;) {
            const std::string tag = inside ? s.end_tag : s.begin_tag;
            const std::size_t m = visible.find(tag, pos);
            if (m == std::string::npos)
                break;
            found = true;
            const std::size_t after = m + tag.size();
            if (!inside) {
                if (s.full_tag_lines && s.include_tags) {
                    out("", true);
                    in(line.substr(pos, after - pos), false);
                    pos = after;
                } else if (s.full_tag_lines) {
                    out(line.substr(pos, after - pos), false);
                    pos = after;
                } else if (s.include_tags) {
                    out(line.substr(pos, m - pos), true);
                    pos = m;
                } else {
                    out(line.substr(pos, after - pos), true);
                    pos = after;
                }
                if (!s.full_tag_lines && identical) {
                    if (s.include_tags) {
                        in(line.substr(pos, tag.size()), true);
                        pos += tag.size();
                    } else {
                        in("", true);
                    }
                }
                inside = !identical;
            } else {
                if (s.full_tag_lines && s.include_tags) {
                    in(line.substr(pos, after - pos), false);
                    pos = after;
                } else if (s.full_tag_lines) {
                    in("", true);
                    out(line.substr(0, after), false);
                    pos = after;
                } else if (s.include_tags) {
                    in(line.substr(pos, after - pos), true);
                    pos = after;
                } else {
                    in(line.substr(pos, m - pos), true);
                    pos = m;
                }
                inside = false;
            }
            if (s.full_tag_lines)
                break;
        }
        const std::string rest = line.substr(pos);
        if (!found || !s.full_tag_lines) {
            inside ? in(rest, false) : out(rest, false);
        } else if (s.include_tags) {
            in(rest, !inside);
        } else if (identical) {
            out(rest, true);
            in("", true);
        } else {
            out(rest, inside);
        }
    }
    if (r.block_open)
        in("", true);
    return r;
}

TEST(ScannerProperty, RandomInputScansAsThePlainAlgorithmAtEveryReadSize)
{
    std::mt19937 random(2024);
    const std::vector<std::string> words = {"BEGIN", "END", "ab", "a", "b", "/b", "--", " ", "x", "\n", "\n",
                                            std::string(1, '\0')};
    const std::vector<std::pair<const char*, const char*>> tag_pairs = {
        {"BEGIN", "END"}, {"ab", "a"}, {"b", "/b"}, {"--", "--"}, {"b\n", "a"}, {"END", nullptr}};
    for (int round = 0; round < 1500; ++round) {
        std::string input;
        for (std::size_t k = random() % 40; k > 0; --k)
            input += words[random() % words.size()];
        run_settings s;
        if (random() % 4 == 0) {
            s = scantest::line_settings(static_cast<std::int64_t>(random() % 8) - 1,
                                        static_cast<std::int64_t>(random() % 8) - 1);
        } else {
            const auto& pair = tag_pairs[random() % tag_pairs.size()];
            s = tags(pair.first, pair.second, random() % 2 == 0, random() % 2 == 0);
        }
        const scantest::recorder plain = scan_plainly(input, s);
        for (std::size_t capacity : {std::size_t{1}, std::size_t{3}, std::size_t{17}, tagsnip::line_buffer_size}) {
            scantest::scan_options opt;
            opt.capacity = capacity;
            opt.through_descriptor = capacity != 3;
            const scantest::recorder r = scan(input, s, opt);
            ASSERT_EQ(r.pieces, plain.pieces) << "round " << round << ", capacity " << capacity;
            ASSERT_EQ(r.numbers, plain.numbers) << "round " << round << ", capacity " << capacity;
            opt.per_line = false;
            ASSERT_EQ(joined(scan(input, s, opt).pieces), joined(plain.pieces))
                << "round " << round << ", capacity " << capacity << ", runs of lines";
        }
    }
}

TEST(CountLines, CountsALastLineWithoutNewlineAndCopiesEveryByte)
{
    struct count_case {
        std::string input;
        std::int64_t lines;
    };
    for (const count_case& c : {count_case{"", 0}, count_case{"\n", 1}, count_case{"a", 1},
                                count_case{"a\nb", 2}, count_case{"a\nb\n", 2},
                                count_case{std::string("\0\0\n\0", 4), 2}}) {
        tagsnip::line_buffer b;
        ASSERT_TRUE(tagsnip::allocate_line_buffer(b));
        FILE* in = scantest::input_stream(c.input, true);
        char* copied = nullptr;
        std::size_t copied_size = 0;
        FILE* copy = open_memstream(&copied, &copied_size);
        std::int64_t count = -1;
        bool copy_failed = true;
        EXPECT_EQ(tagsnip::count_lines(in, b, copy, count, copy_failed), 0);
        fclose(copy);
        EXPECT_EQ(count, c.lines);
        EXPECT_FALSE(copy_failed);
        EXPECT_EQ(std::string(copied, copied_size), c.input);
        free(copied);
        fclose(in);
        tagsnip::release_line_buffer(b);
    }
}

}  // namespace
