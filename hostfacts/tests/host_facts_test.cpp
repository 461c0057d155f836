// SPDX-License-Identifier: BSD-2-Clause
// The platform layer against the live host.
#include "hostfacts/host_facts.hpp"

#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hostfacts/interface_report.hpp"
#include "tests/support/run_program.hpp"

namespace {

using namespace hostfacts;

TEST(LiveHost, HostNameIsGethostnames)
{
    char name[host_name_size];
    memset(name, 'x', sizeof name);
    read_host_name(name);
    char expected[host_name_size] = {};
    ASSERT_EQ(gethostname(expected, sizeof expected - 1), 0);
    EXPECT_STREQ(name, expected);
}

TEST(LiveHost, UptimeIsKnownAndGrows)
{
    const uptime_facts a = read_uptime();
    ASSERT_TRUE(a.known);
    EXPECT_LT(a.nanoseconds, 1000000000u);
    usleep(2000);
    const uptime_facts b = read_uptime();
    EXPECT_GT(b.seconds * 1000000000 + b.nanoseconds, a.seconds * 1000000000 + a.nanoseconds);
}

TEST(LiveHost, KernelNamesAreUnames)
{
    const kernel_facts k = read_kernel();
    ASSERT_TRUE(k.known);
    utsname expected{};
    ASSERT_EQ(uname(&expected), 0);
    EXPECT_STREQ(k.names.sysname, expected.sysname);
    EXPECT_STREQ(k.names.release, expected.release);
    EXPECT_STREQ(k.names.machine, expected.machine);
}

TEST(LiveHost, ProcessorsPageSizeProcessesLoad)
{
    EXPECT_EQ(read_online_processors(), static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_GT(read_online_processors(), 0u);
    EXPECT_EQ(read_page_size(), static_cast<std::uint32_t>(getpagesize()));
    // This test process at least, and its threads are not counted apart.
    EXPECT_GT(count_processes(), 0u);
    const load_facts load = read_load();
    ASSERT_TRUE(load.known);
    EXPECT_GE(load.averages[0], 0.0);
}

TEST(LiveHost, BatteriesAreThePowerSuppliesOfTypeBattery)
{
    unsigned expected = 0;
    if (DIR* d = opendir("/sys/class/power_supply")) {
        while (const dirent* e = readdir(d)) {
            const std::string path = std::string("/sys/class/power_supply/") + e->d_name + "/type";
            if (FILE* f = fopen(path.c_str(), "r")) {
                char type[32] = {};
                if (fgets(type, sizeof type, f) && strcmp(type, "Battery\n") == 0)
                    ++expected;
                fclose(f);
            }
        }
        closedir(d);
    }
    const battery_facts facts = read_batteries();
    for (unsigned i = 1; i < facts.count; ++i)
        EXPECT_LT(facts.units[i - 1].number, facts.units[i].number);
    EXPECT_LE(facts.count, most_batteries);
    EXPECT_LE(facts.count, expected);
    if (facts.count > 0) {
        EXPECT_LT(facts.units[facts.count - 1].number, expected);
    }
}

TEST(LiveHost, MemoryIsReadable)
{
    const memory_facts m = read_memory();
    ASSERT_EQ(m.failed_label, nullptr) << m.failed_label;
    EXPECT_EQ(m.page_size, static_cast<std::uint32_t>(getpagesize()));
    EXPECT_GT(m.physical, 0u);
    EXPECT_LE(static_cast<std::uint64_t>(m.free_pages) * m.page_size, m.physical);
    EXPECT_LE(m.swap_used_pages, m.swap_pages);
}

TEST(LiveHost, DiskIsStatvfsOfThePath)
{
    struct statvfs fs{};
    ASSERT_EQ(statvfs("/", &fs), 0);
    const disk_facts d = read_disk("/");
    ASSERT_TRUE(d.known);
    EXPECT_EQ(d.fragment_size, fs.f_frsize);
    EXPECT_EQ(d.blocks, fs.f_blocks);
    EXPECT_FALSE(read_disk("/no/such/mount/point").known);
}

TEST(OsReleaseFile, OnlyARegularFileCounts)
{
    const testsupport::temp_dir dir;
    testsupport::write_file(dir / "os-release", "NAME=\"Made Up\"\nVERSION_ID=7\n");
    os_facts facts;
    ASSERT_TRUE(read_os_release_file((dir / "os-release").c_str(), facts));
    EXPECT_TRUE(facts.known && facts.named);
    EXPECT_STREQ(facts.name, "Made Up");
    EXPECT_STREQ(facts.version, "7");
    // Nothing is waited for at a FIFO in the file's place.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(read_os_release_file((dir / "fifo").c_str(), facts));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(read_os_release_file((dir / "missing").c_str(), facts));
    EXPECT_FALSE(read_os_release_file(dir.path.c_str(), facts));
}

TEST(LiveHost, InterfaceTableHoldsTheLoopbackWithItsIndex)
{
    ifaddrs* list = nullptr;
    ASSERT_EQ(getifaddrs(&list), 0);
    auto table = std::make_unique<interface_table>();
    collect_interfaces(list, *table, stderr);
    sort_interfaces(*table);
    // The indexes link-level entries carry are the ones the names resolve to.
    assign_interface_indexes(*table, [](const char* name) -> std::uint32_t { return if_nametoindex(name); });
    std::set<std::string> names;
    for (std::size_t i = 0; i < table->count; ++i) {
        names.insert(table->entries[i].name);
        EXPECT_EQ(table->entries[i].index, if_nametoindex(table->entries[i].name)) << table->entries[i].name;
        if (i > 0) {
            EXPECT_LE(compare_entries(table->entries[i - 1], table->entries[i]), 0);
        }
    }
    freeifaddrs(list);
    EXPECT_TRUE(names.count("lo")) << "no lo among " << names.size() << " names";
    EXPECT_NE(if_nametoindex("lo"), 0u);
}

#if defined(__linux__)
// A made-up power supply: its directory name and attribute files; an empty
// text leaves the file out.
struct supply {
    std::string name, type, capacity, status;
};

struct battery_case {
    const char* title;
    std::vector<supply> supplies;
    std::string units;  // "number:cap:state" of each unit read, in order
};

class MadeUpBatteries : public testing::TestWithParam<battery_case> {};

TEST_P(MadeUpBatteries, AskedUntilTwoAnswer)
{
    const testsupport::temp_dir root;
    for (const supply& s : GetParam().supplies) {
        ASSERT_EQ(mkdir((root / s.name).c_str(), 0755), 0);
        for (const auto& [file, text] : {std::pair{"type", s.type}, {"capacity", s.capacity}, {"status", s.status}})
            if (!text.empty())
                testsupport::write_file(root / s.name + "/" + file, text + "\n");
    }
    const battery_facts facts = read_batteries_in(root.path.c_str());
    std::string units;
    for (unsigned i = 0; i < facts.count; ++i)
        units += (i ? " " : "") + std::to_string(facts.units[i].number) + ":" +
                 std::to_string(facts.units[i].cap) + ":" + std::to_string(facts.units[i].state);
    EXPECT_EQ(units, GetParam().units) << GetParam().title;
}

std::vector<supply> numbered(int count, int first_with_capacity)
{
    std::vector<supply> supplies = {{"AC", "Mains", "", ""}, {"BATZ", "UPS", "1", ""}};
    for (int i = 0; i < count; ++i)
        supplies.push_back({"BAT" + std::string(i < 10 ? "0" : "") + std::to_string(i), "Battery",
                            i >= first_with_capacity ? std::to_string(10 + i) : "", "Charging"});
    return supplies;
}

INSTANTIATE_TEST_SUITE_P(
    Linux, MadeUpBatteries,
    testing::Values(battery_case{"none", {}, ""},
                    battery_case{"three answer", numbered(3, 0), "0:10:2 1:11:2"},
                    battery_case{"the first is silent", numbered(3, 1), "1:11:2 2:12:2"},
                    battery_case{"eight silent of ten", numbered(10, 8), "8:18:2 9:19:2"},
                    battery_case{"seventy, the last two answer", numbered(70, 68), "68:78:2 69:79:2"},
                    battery_case{"states",
                                 {{"b1", "Battery", "5", "Discharging"}, {"b2", "Battery", "99", "Full"}},
                                 "0:5:1 1:99:0"}),
    [](const testing::TestParamInfo<battery_case>& p) { return "Case" + std::to_string(p.index); });

TEST(MadeUpBatteries, AMissingDirectoryHasNone)
{
    EXPECT_EQ(read_batteries_in("/no/such/power_supply").count, 0u);
}

TEST(MadeUpSwaps, EveryDeviceOfAnyLengthCounts)
{
    const testsupport::temp_dir dir;
    std::string text = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
    // Twelve files with long names: far more than 4 KiB of text.
    for (int i = 0; i < 12; ++i)
        text += "/swap/" + std::string(480, static_cast<char>('a' + i)) + "\\040x\tfile\t\t" + std::to_string(1024 * (i + 1)) +
                "\t\t" + std::to_string(4 * i) + "\t\t-2\n";
    ASSERT_GT(text.size(), 4096u);
    const std::string path = dir / "swaps";
    testsupport::write_file(path, text);
    memory_facts facts;
    facts.page_size = 4096;
    read_swap_file(path.c_str(), facts);
    EXPECT_EQ(facts.swap_pages, 78u * 256);    // 1024 KiB (1 + ... + 12) in 4 KiB pages
    EXPECT_EQ(facts.swap_used_pages, 66u);     // 4 KiB (0 + ... + 11)

    // Ten thousand devices, and a line that does not fit ends the list.
    text = "Filename Type Size Used Priority\n";
    for (int i = 0; i < 10000; ++i)
        text += "/dev/zram" + std::to_string(i) + " partition 8 4 100\n";
    testsupport::write_file(path, text + "/dev/odd partition x 4 100\n/dev/after partition 8 0 1\n");
    memory_facts many;
    many.page_size = 4096;
    read_swap_file(path.c_str(), many);
    EXPECT_EQ(many.swap_pages, 20000u);
    EXPECT_EQ(many.swap_used_pages, 10000u);

    memory_facts none;
    none.page_size = 4096;
    read_swap_file((dir / "missing").c_str(), none);
    EXPECT_EQ(none.swap_pages, 0u);
}

TEST(MadeUpMeminfo, ReadOrReportedNeverZeros)
{
    const testsupport::temp_dir dir;
    const std::string path = dir / "meminfo";
    testsupport::write_file(path, "MemTotal:  1000 kB\nMemFree:  100 kB\nInactive:  50 kB\n");
    memory_facts facts;
    facts.page_size = 4096;
    read_meminfo_file(path.c_str(), facts);
    EXPECT_EQ(facts.failed_label, nullptr);
    EXPECT_EQ(facts.physical, 1024000u);
    EXPECT_EQ(facts.free_pages, 25u);
    EXPECT_EQ(facts.inactive_pages, 12u);

    memory_facts missing;
    missing.page_size = 4096;
    read_meminfo_file((dir / "missing").c_str(), missing);
    EXPECT_STREQ(missing.failed_label, "/proc/meminfo");
    EXPECT_EQ(missing.error, ENOENT);
}
#endif

}  // namespace
