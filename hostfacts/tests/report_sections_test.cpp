// SPDX-License-Identifier: BSD-2-Clause
// The host, load, battery, memory, swap and disk sections with made-up facts.
#include "hostfacts/report_sections.hpp"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostfacts/command_line.hpp"
#include "hostfacts/report_line.hpp"
#include "tests/support/captured_stream.hpp"
#include "tests/support/run_program.hpp"

namespace {

using namespace hostfacts;

using captured = testsupport::captured_stream;

TEST(CompatibilityLine, NamesTheVersionInEffect)
{
    captured out;
    write_compatibility(out.stream, 0);
    write_compatibility(out.stream, available_version);
    EXPECT_EQ(out.text(), "compatibility=0\ncompatibility=1\n");
}

struct version_case {
    const char* argument;
    std::uint32_t value;
};

class RequestedVersion : public testing::TestWithParam<version_case> {};

TEST_P(RequestedVersion, IsTheLow32BitsOfAtoll)
{
    EXPECT_EQ(requested_version(GetParam().argument), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Arguments, RequestedVersion,
                         testing::Values(version_case{"0", 0}, version_case{"abc", 0},
                                         version_case{"4294967296", 0}, version_case{"1", 1},
                                         version_case{"-1", 4294967295u}, version_case{"  +7x", 7},
                                         version_case{"4294967297", 1}, version_case{"", 0}));

struct host_case {
    const char* name;
    const char* lines;
};

class HostNames : public testing::TestWithParam<host_case> {};

TEST_P(HostNames, LongAndShort)
{
    captured out;
    write_host_names(out.stream, GetParam().name);
    EXPECT_EQ(out.text(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostNames,
    testing::Values(host_case{"vm", "hostname_long=\"vm\"\nhostname_short=\"vm\"\n"},
                    host_case{"a.b.c", "hostname_long=\"a.b.c\"\nhostname_short=\"a\"\n"},
                    host_case{".lead", "hostname_long=\".lead\"\nhostname_short=\"\"\n"},
                    host_case{"trail.", "hostname_long=\"trail.\"\nhostname_short=\"trail\"\n"},
                    host_case{"q\"uote $x", "hostname_long=\"q\\\"uote \\$x\"\nhostname_short=\"q\\\"uote \\$x\"\n"},
                    host_case{"a\\b`c`.d$", "hostname_long=\"a\\\\b\\`c\\`.d\\$\"\nhostname_short=\"a\\\\b\\`c\\`\"\n"}));

struct quoted_case {
    std::string text;
    std::string written;
};

class QuotedText : public testing::TestWithParam<quoted_case> {};

TEST_P(QuotedText, OnlyTheShellsFourBytesGetABackslash)
{
    captured out;
    write_quoted(out.stream, GetParam().text.data(), GetParam().text.size());
    EXPECT_EQ(out.text(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuotedText,
    testing::Values(quoted_case{"", ""}, quoted_case{"plain text-1.2_3/4", "plain text-1.2_3/4"},
                    quoted_case{"'single' \n\t{}*?~!#&;|<>()[]%^", "'single' \n\t{}*?~!#&;|<>()[]%^"},
                    quoted_case{"\xC2\xB5\xFF\x01", "\xC2\xB5\xFF\x01"},
                    quoted_case{"\\", "\\\\"}, quoted_case{"\"", "\\\""}, quoted_case{"$", "\\$"},
                    quoted_case{"`", "\\`"}, quoted_case{"$(id)`id`${x}\\\n", "\\$(id)\\`id\\`\\${x}\\\\\n"}));

TEST(Uptime, DaysHoursMinutesSecondsAndNanoseconds)
{
    captured out;
    write_uptime(out.stream, uptime_facts{true, 90061, 500000000});
    EXPECT_EQ(out.text(),
              "uptime_total=90061.500000000\nuptime_days=1\nuptime_hours=1\nuptime_mins=1\n"
              "uptime_secs=1\nuptime_nsecs=500000000\n");
}

TEST(Uptime, WrapsEachUnitAndKeepsLow32BitsOfDays)
{
    captured out;
    // 2^32 + 5 days, 23:59:59 and 999999999 ns.
    const std::uint64_t days = (1ULL << 32) + 5;
    write_uptime(out.stream, uptime_facts{true, days * 86400 + 86399, 999999999});
    const std::string text = out.text();
    EXPECT_NE(text.find("uptime_days=5\nuptime_hours=23\nuptime_mins=59\nuptime_secs=59\n"
                        "uptime_nsecs=999999999\n"),
              std::string::npos)
        << text;
}

TEST(Uptime, UnknownWritesNothing)
{
    captured out;
    write_uptime(out.stream, uptime_facts{});
    EXPECT_EQ(out.text(), "");
}

TEST(Kernel, FiveFieldsInOrderOrNothing)
{
    kernel_facts facts;
    facts.known = true;
    strcpy(facts.names.sysname, "FreeBSD");
    strcpy(facts.names.nodename, "box.example");
    strcpy(facts.names.release, "14.1-RELEASE");
    strcpy(facts.names.version, "FreeBSD 14.1 GENERIC");
    strcpy(facts.names.machine, "amd$64");
    captured out;
    write_kernel(out.stream, facts);
    EXPECT_EQ(out.text(),
              "system_sysname=\"FreeBSD\"\nsystem_nodename=\"box.example\"\n"
              "system_release=\"14.1-RELEASE\"\nsystem_version=\"FreeBSD 14.1 GENERIC\"\n"
              "system_machine=\"amd\\$64\"\n");
    captured none;
    facts.known = false;
    write_kernel(none.stream, facts);
    EXPECT_EQ(none.text(), "");
}

TEST(OperatingSystem, FromOsReleaseElseTheKernel)
{
    kernel_facts kernel;
    kernel.known = true;
    strcpy(kernel.names.sysname, "Linux");
    strcpy(kernel.names.release, "6.1.0-$x");
    os_facts os;
    os.known = os.named = true;
    strcpy(os.name, "Deb \"ian\" $(id)");
    strcpy(os.version, "12");
    os_facts unnamed;
    unnamed.known = true;  // a file without NAME or VERSION_ID
    const struct {
        os_facts os;
        bool kernel_known;
        const char* lines;
    } cases[] = {
        {os, true, "system_os_name=\"Deb \\\"ian\\\" \\$(id)\"\nsystem_os_version=\"12\"\n"},
        {unnamed, true, "system_os_name=\"Linux\"\nsystem_os_version=\"\"\n"},
        {os_facts{}, true, "system_os_name=\"Linux\"\nsystem_os_version=\"6.1.0-\\$x\"\n"},
        {os_facts{}, false, ""},
    };
    for (const auto& c : cases) {
        kernel.known = c.kernel_known;
        captured out;
        write_os_release(out.stream, c.os, kernel);
        EXPECT_EQ(out.text(), c.lines);
    }
}

TEST(ProcessorModel, TextOrTheMessage)
{
    processor_facts facts;
    strcpy(facts.model, "AMD `EPYC`");
    captured out, err;
    write_processor_model(out.stream, err.stream, facts);
    write_processor_model(out.stream, err.stream, processor_facts{});
    processor_facts failed;
    failed.failed_label = "sysctl(hw.model)";
    failed.error = ENOENT;
    write_processor_model(out.stream, err.stream, failed);
    EXPECT_EQ(out.text(), "system_cpu_model=\"AMD \\`EPYC\\`\"\nsystem_cpu_model=\"\"\n");
    EXPECT_EQ(err.text(), std::string("sysctl(hw.model): ") + strerror(ENOENT) + "\n");
}

TEST(CountLines, ProcessorsPageSizeProcessesUsers)
{
    captured out;
    write_processors(out.stream, 4, 16384);
    write_processes(out.stream, 0);
    write_users(out.stream, 3);
    EXPECT_EQ(out.text(), "system_cores=4\nsystem_pagesize=16384\nsystem_procs=0\nsystem_users=3\n");
}

TEST(Load, AveragesAndPercentagesOfTheProcessors)
{
    captured out;
    write_load(out.stream, load_facts{true, {2.0, 0.5, 1.0 / 3}}, 4);
    EXPECT_EQ(out.text(),
              "system_load_avg1min=2.000000\nsystem_load_avg5min=0.500000\n"
              "system_load_avg15min=0.333333\nsystem_load_avg1minpct=50.0000\n"
              "system_load_avg5minpct=12.5000\nsystem_load_avg15minpct=8.3333\n");
}

TEST(Load, UnknownWritesNothing)
{
    captured out;
    write_load(out.stream, load_facts{}, 4);
    EXPECT_EQ(out.text(), "");
}

struct status_case {
    int state;
    unsigned code;
};

class BatteryStatus : public testing::TestWithParam<status_case> {};

TEST_P(BatteryStatus, FirstMatchingTestDecides)
{
    EXPECT_EQ(battery_status_code(GetParam().state), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(States, BatteryStatus,
                         testing::Values(status_case{7, 0}, status_case{0, 3}, status_case{2, 2},
                                         status_case{3, 2}, status_case{6, 2}, status_case{1, 4},
                                         status_case{5, 4}, status_case{4, 1}, status_case{8, 1},
                                         status_case{15, 2}));

battery_facts batteries(std::initializer_list<battery_unit> units)
{
    battery_facts facts;
    for (const battery_unit& unit : units)
        facts.units[facts.count++] = unit;
    return facts;
}

TEST(Batteries, NoneWritesOnlyTheEmptyList)
{
    captured out;
    write_batteries(out.stream, battery_facts{});
    EXPECT_EQ(out.text(), "battery_list=\"\"\n");
}

TEST(Batteries, TheUnitsThatAnsweredWithTheirNumbers)
{
    captured out;
    write_batteries(out.stream, batteries({{0, 80, 1}, {1, 100, 0}}));
    EXPECT_EQ(out.text(),
              "battery_0_status=4\nbattery_0_capacity=80\nbattery_1_status=3\n"
              "battery_1_capacity=100\nbattery_list=\"0 1\"\n");
    captured later;
    write_batteries(later.stream, batteries({{1, 42, 7}, {9, -1, 4}}));
    EXPECT_EQ(later.text(),
              "battery_1_status=0\nbattery_1_capacity=42\nbattery_9_status=1\n"
              "battery_9_capacity=4294967295\nbattery_list=\"1 9\"\n");
}

memory_facts memory(std::uint32_t page, std::uint64_t total, std::uint32_t inactive, std::uint32_t free)
{
    memory_facts facts;
    facts.page_size = page;
    facts.physical = total;
    facts.inactive_pages = inactive;
    facts.free_pages = free;
    return facts;
}

TEST(Memory, UsedIsTotalLessFreeAndInactive)
{
    captured out, err;
    write_memory(out.stream, err.stream, memory(4096, 1000 * 4096ULL, 100, 150), 0);
    EXPECT_EQ(out.text(),
              "system_mem_total=4096000\nsystem_mem_used=3072000\nsystem_mem_free=1024000\n"
              "system_mem_usedpct=75.0\nsystem_mem_freepct=25.0\nsystem_swap_total=0\n");
    EXPECT_EQ(err.text(), "");
}

TEST(Memory, MoreFreeThanPhysicalCountsAllAsFree)
{
    captured out, err;
    write_memory(out.stream, err.stream, memory(4096, 8192, 2, 1), 0);
    EXPECT_EQ(out.text(),
              "system_mem_total=8192\nsystem_mem_used=0\nsystem_mem_free=8192\n"
              "system_mem_usedpct=0.0\nsystem_mem_freepct=100.0\nsystem_swap_total=0\n");
}

TEST(Memory, PageSumsDoNotOverflow32Bits)
{
    captured out, err;
    // 2^32 - 1 free pages plus one inactive page, of 4096 bytes.
    write_memory(out.stream, err.stream, memory(4096, 1ULL << 45, 1, 0xffffffffu), 0);
    EXPECT_NE(out.text().find("system_mem_free=17592186044416\n"), std::string::npos) << out.text();
}

TEST(Memory, NoPhysicalMemoryLeavesOutThePercentages)
{
    captured out, err;
    write_memory(out.stream, err.stream, memory(4096, 0, 0, 0), 0);
    EXPECT_EQ(out.text(), "system_mem_total=0\nsystem_mem_used=0\nsystem_mem_free=0\nsystem_swap_total=0\n");
}

TEST(Memory, SwapOverAllDevices)
{
    memory_facts facts = memory(4096, 4096, 0, 0);
    add_swap_device(facts, 1024, 300);
    add_swap_device(facts, 3072, 0);
    captured out, err;
    write_memory(out.stream, err.stream, facts, 0);
    EXPECT_EQ(out.text(),
              "system_mem_total=4096\nsystem_mem_used=4096\nsystem_mem_free=0\n"
              "system_mem_usedpct=100.0\nsystem_mem_freepct=0.0\n"
              "system_swap_total=16777216\nsystem_swap_used=1228800\nsystem_swap_free=15548416\n"
              "system_swap_usedpct=7.3\nsystem_swap_freepct=92.7\n");
}

TEST(Memory, SwapBytesAreWiderThanTheirPageCounts)
{
    memory_facts facts = memory(65536, 65536, 0, 0);
    add_swap_device(facts, 0x7fffffff, 0x40000000);
    captured out, err;
    write_memory(out.stream, err.stream, facts, 0);
    EXPECT_NE(out.text().find("system_swap_total=140737488289792\nsystem_swap_used=70368744177664\n"
                              "system_swap_free=70368744112128\n"),
              std::string::npos)
        << out.text();
}

TEST(Memory, VersionOneAddsAvailableAndAlwaysTheFiveSwapKeys)
{
    memory_facts facts = memory(4096, 1000 * 4096ULL, 100, 150);
    facts.available = 600 * 4096ULL;
    const std::string version0 =
        "system_mem_total=4096000\nsystem_mem_used=3072000\nsystem_mem_free=1024000\n"
        "system_mem_usedpct=75.0\nsystem_mem_freepct=25.0\n";
    const std::string no_swap =
        "system_swap_total=0\nsystem_swap_used=0\nsystem_swap_free=0\n"
        "system_swap_usedpct=0.0\nsystem_swap_freepct=0.0\n";
    captured out, err;
    write_memory(out.stream, err.stream, facts, 1);
    EXPECT_EQ(out.text(), version0 + "system_mem_available=2457600\nsystem_mem_availablepct=60.0\n" + no_swap);

    // More available than there is: the total, as with free memory.
    facts.available = 2000 * 4096ULL;
    add_swap_device(facts, 1024, 256);
    captured more;
    write_memory(more.stream, err.stream, facts, 1);
    EXPECT_EQ(more.text(), version0 + "system_mem_available=4096000\nsystem_mem_availablepct=100.0\n" +
                               "system_swap_total=4194304\nsystem_swap_used=1048576\nsystem_swap_free=3145728\n"
                               "system_swap_usedpct=25.0\nsystem_swap_freepct=75.0\n");
    EXPECT_EQ(err.text(), "");

    // Without a source for it, only the available lines go, with a message.
    facts.available_failed_label = "/proc/meminfo MemAvailable";
    facts.available_error = ENODATA;
    captured without, message;
    write_memory(without.stream, message.stream, facts, 1);
    EXPECT_EQ(without.text().find("available"), std::string::npos) << without.text();
    EXPECT_EQ(without.text().rfind(version0, 0), 0u);
    EXPECT_EQ(message.text(), std::string("/proc/meminfo MemAvailable: ") + strerror(ENODATA) + "\n");
    captured version0_only, silent;
    write_memory(version0_only.stream, silent.stream, facts, 0);
    EXPECT_EQ(silent.text(), "");
}

TEST(Memory, AnUnreadableSourceWritesOnlyItsMessage)
{
    memory_facts facts = memory(4096, 4096, 0, 0);
    facts.failed_label = "/proc/meminfo";
    facts.error = ENOENT;
    captured out, err;
    write_memory(out.stream, err.stream, facts, 0);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(err.text(), std::string("/proc/meminfo: ") + strerror(ENOENT) + "\n");
}

TEST(Memory, TheMessageComesAfterTheEarlierLinesInASharedFile)
{
    // As with 2>&1 into a file: the lines buffered, the message not.
    const testsupport::temp_dir dir;
    const std::string path = dir / "report";
    FILE* out = fopen(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    FILE* err = fdopen(dup(fileno(out)), "w");
    ASSERT_NE(err, nullptr);
    setvbuf(err, nullptr, _IONBF, 0);
    memory_facts facts = memory(4096, 4096, 0, 0);
    facts.failed_label = "/proc/meminfo";
    facts.error = ENOENT;
    write_disk_list(out);
    write_memory(out, err, facts, 0);
    fclose(err);
    fclose(out);
    EXPECT_EQ(testsupport::read_file(path),
              std::string("disk_list=\"root home tmp\"\n/proc/meminfo: ") + strerror(ENOENT) + "\n");
}

TEST(Disk, TotalsAndTheShareNotAvailable)
{
    captured out;
    write_disk(out.stream, "root", disk_facts{true, 4096, 1000, 400, 350}, 0);
    EXPECT_EQ(out.text(),
              "disk_root_total=4096000\ndisk_root_used=2457600\ndisk_root_available=1433600\n"
              "disk_root_pct=65.000\n");
}

TEST(Disk, EmptyFileSystemIsZeroPercent)
{
    captured out;
    write_disk(out.stream, "tmp", disk_facts{true, 4096, 0, 0, 0}, 0);
    EXPECT_EQ(out.text(), "disk_tmp_total=0\ndisk_tmp_used=0\ndisk_tmp_available=0\ndisk_tmp_pct=0.000\n");
}

struct df_case {
    disk_facts facts;
    unsigned percent;
};

class DfPercent : public testing::TestWithParam<df_case> {};

TEST_P(DfPercent, UsedOfUsedAndAvailableRoundedUp)
{
    EXPECT_EQ(df_use_percent(GetParam().facts), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, DfPercent,
    testing::Values(df_case{{true, 4096, 1000, 400, 350}, 64},     // 600 of 950: 63.2, reserved blocks left out
                    df_case{{true, 4096, 1000, 400, 400}, 60},     // nothing reserved: exactly 60
                    df_case{{true, 1024, 1000, 999, 0}, 100},      // all free space reserved
                    df_case{{true, 1024, 100000, 99999, 99999}, 1},  // any use is at least 1
                    df_case{{true, 4096, 0, 0, 0}, 0},
                    df_case{{true, 4096, 10, 20, 5}, 0},           // more free than blocks: none used
                    df_case{{true, 1, ~0ULL, 0, ~0ULL}, 50}));     // no overflow at 100 times

TEST(Disk, VersionOneAddsTheDfPercentage)
{
    captured out;
    write_disk(out.stream, "home", disk_facts{true, 4096, 1000, 400, 350}, 1);
    write_disk(out.stream, "tmp", disk_facts{}, 1);
    EXPECT_EQ(out.text(),
              "disk_home_total=4096000\ndisk_home_used=2457600\ndisk_home_available=1433600\n"
              "disk_home_pct=65.000\ndisk_home_usedpct=64\n");
}

TEST(Disk, MissingPathWritesNoLinesButTheListNamesAllThree)
{
    captured out;
    write_disk(out.stream, "root", disk_facts{true, 512, 10, 10, 10}, 0);
    write_disk(out.stream, "home", disk_facts{}, 0);
    write_disk(out.stream, "tmp", disk_facts{true, 512, 10, 5, 0}, 0);
    write_disk_list(out.stream);
    EXPECT_EQ(out.text(),
              "disk_root_total=5120\ndisk_root_used=0\ndisk_root_available=5120\ndisk_root_pct=0.000\n"
              "disk_tmp_total=5120\ndisk_tmp_used=2560\ndisk_tmp_available=0\ndisk_tmp_pct=100.000\n"
              "disk_list=\"root home tmp\"\n");
}

}  // namespace
