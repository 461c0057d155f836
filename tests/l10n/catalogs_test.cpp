// SPDX-License-Identifier: BSD-2-Clause
// The German catalogs, through builds of the programs that look their
// catalogs up in the build tree. Texts are translated; the usage synopsis,
// the version line and the numbers are not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

std::string l10n_program(const std::string& name)
{
    return std::string(SUITE_L10N_BIN_DIR) + "/" + name;
}

// The two ways a German user asks for German texts.
std::vector<std::vector<std::string>> german_environments()
{
    const std::string dir = testsupport::built_locale_dir("de_DE.UTF-8", "de_DE", "UTF-8");
    if (dir.empty())
        return {};
    return {{"LOCPATH=" + dir, "LC_ALL=de_DE.UTF-8"},
            {"LOCPATH=" + dir, "LANG=de_DE.UTF-8", "LANGUAGE=de"}};
}

testsupport::run_result run_german(std::vector<std::string> argv, const std::vector<std::string>& env,
                                   std::string input = "")
{
    testsupport::run_request r;
    r.argv = std::move(argv);
    r.env = env;
    r.input = std::move(input);
    return testsupport::run(r);
}

struct german_case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err;
};

// The cases in both German environments, and the usage line (translated
// word, untranslated synopsis) and version line of the program.
void expect_german(const std::string& name, const std::vector<german_case>& cases)
{
    const std::string program = l10n_program(name);
    const auto environments = german_environments();
    ASSERT_FALSE(environments.empty()) << "localedef could not build de_DE.UTF-8";
    for (const auto& env : environments) {
        for (const german_case& c : cases) {
            std::vector<std::string> argv = {program};
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            const auto r = run_german(argv, env, c.input);
            EXPECT_EQ(r.status, c.status) << name << " " << c.args[0];
            EXPECT_EQ(r.out, c.out) << name << " " << c.args[0];
            EXPECT_EQ(r.err, c.err) << name << " " << c.args[0];
        }
        auto r = run_german({program, "--help"}, env);
        EXPECT_EQ(r.err.rfind("Aufruf: " + program + " ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(" [-h|--help] [-v|--version]"), std::string::npos) << r.err;
        r = run_german({program, "--version"}, env);
        EXPECT_EQ(r.out, name + " " SUITE_VERSION "\n");
    }
}

TEST(GermanCatalogs, Dozejitter)
{
    const std::string program = l10n_program("dozejitter");
    if (!testsupport::file_exists(program))
        GTEST_SKIP() << "dozejitter is not built here";
    const auto environments = german_environments();
    ASSERT_FALSE(environments.empty()) << "localedef could not build de_DE.UTF-8";
    for (const auto& env : environments) {
        auto r = run_german({program, "2", "1"}, env);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "FEHLER: Ungültige Werte für min_delay/max_delay!\n");

        r = run_german({program, "--help"}, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "Aufruf: " + program +
                             " min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help] [-v|--version]\n");

        r = run_german({program, "--version"}, env);
        EXPECT_EQ(r.out, "dozejitter " SUITE_VERSION "\n");

        r = run_german({program, "-w", "0.5e-3", "0.5e-3"}, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "Schlafe 0.000500 s ...\nAufgewacht!\n");
    }
    // Without a German locale the same build speaks English.
    const auto r = run_german({program, "2", "1"}, {"LC_ALL=C.UTF-8"});
    EXPECT_EQ(r.err, "ERROR: Invalid min_delay/max_delay!\n");
}

TEST(GermanCatalogs, Epochscan)
{
    const std::string program = l10n_program("epochscan");
    if (!testsupport::file_exists(program))
        GTEST_SKIP() << "epochscan is not built here";
    const auto environments = german_environments();
    ASSERT_FALSE(environments.empty()) << "localedef could not build de_DE.UTF-8";
    for (const auto& env : environments) {
        auto r = run_german({program, "2023-11-14"}, env);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "FEHLER: Zeitangabe „2023-11-14“ passt nicht zur Formatvorlage "
                         "„%Y-%m-%d %H:%M:%S“!\n");

        r = run_german({program, "-s", "-F", "-H", "2023-11-14 22:13:20.5"}, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "1700000000.500000000 s seit der Unix-Epoche\n");

        r = run_german({program, "-h"}, env);
        EXPECT_EQ(r.err, "Aufruf: " + program +
                             " time_string [...] [-T|--template time_format_template] [-F|--float]"
                             " [-I|--integer] [-H|--human-readable] [-s|--seconds] [-m|--milliseconds]"
                             " [-u|--microseconds] [-n|--nanoseconds] [-h|--help] [-v|--version]\n");

        r = run_german({program, "-v"}, env);
        EXPECT_EQ(r.out, "epochscan " SUITE_VERSION "\n");
    }
    const auto r = run_german({program, "-s", "-H", "1970-01-01 00:00:01"}, {"LC_ALL=C.UTF-8"});
    EXPECT_EQ(r.out, "1 s since the Unix Epoch\n");
}

TEST(GermanCatalogs, Tagsnip)
{
    if (!testsupport::file_exists(l10n_program("tagsnip")))
        GTEST_SKIP() << "tagsnip is not built here";
    expect_german("tagsnip",
                  {{{"--select", "3"}, "", 1, "", "FEHLER: Zu wenige Argumente für die Zeilenauswahl (--select|-s)!\n"},
                   {{"--cat", "-t", "X"}, "aXb\n", 0, "aXb\n",
                    "WARNUNG: Anfangs-/Endmarken (--begin-tag/-b/--end-tag/-e/--tag/-t) wirken nicht bei Cat, "
                    "Discard oder Enumerate!\n"},
                   {{"-X", "-t", "X"}, "aXbXc\n", 0, "",
                    "WARNUNG: Gleiche Anfangs-/Endmarken (--tag/-t) mit ausgeschlossenen Marken (--exclude-tags/-x) "
                    "sind für Extract, Remove oder Replace nicht sinnvoll!\n"}});
}

TEST(GermanCatalogs, Glyphpad)
{
    if (!testsupport::file_exists(l10n_program("glyphpad")))
        GTEST_SKIP() << "glyphpad is not built here";
    expect_german("glyphpad", {{{"\\x4g"}, "", 1, "", "FEHLER: Ungültige Hexadezimalziffer g!\n"},
                               {{"-s", "[", "-"}, "", 1, "", "FEHLER: Ungültige Einstellung der Trennlinie!\n"},
                               {{"one", "two"}, "", 0, "one", "WARNUNG: Unbehandelter Parameter two!\n"}});
}

TEST(GermanCatalogs, Epochfmt)
{
    if (!testsupport::file_exists(l10n_program("epochfmt")))
        GTEST_SKIP() << "epochfmt is not built here";
    expect_german("epochfmt",
                  {{{"-s", "1.5e3"}, "", 1, "", "FEHLER: Ungültiger Unix-Zeitstempel!\n"},
                   {{"-H", "-s", "1700000000"}, "", 0,
                    "2023-11-14 22:13:20 ist 1700000000 (0x6553f100) s seit der Unix-Epoche\n", ""}});
}

}  // namespace
