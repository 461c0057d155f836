// The platform layer against the live host.
#include "hostfacts/facts.hpp"

#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "hostfacts/report_sections.hpp"

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
    unsigned answered = 0;
    for (unsigned i = 0; i < facts.count; ++i) {
        EXPECT_EQ(facts.units[i].number, i);
        answered += facts.units[i].answered;
    }
    EXPECT_LE(answered, most_batteries);
    EXPECT_LE(facts.count, expected);
    if (expected == 0) {
        EXPECT_EQ(facts.count, 0u);
    }
}

TEST(LiveHost, MemoryIsReadable)
{
    const memory_facts m = read_memory();
    ASSERT_EQ(m.failed_label, nullptr) << m.failed_label;
    EXPECT_EQ(m.page_size, static_cast<std::uint32_t>(getpagesize()));
    EXPECT_GT(m.physical, 0u);
    EXPECT_LE(static_cast<std::uint64_t>(m.free_pages) * m.page_size, m.physical);
    for (std::size_t i = 0; i < m.swap_count; ++i) {
        EXPECT_GT(m.swaps[i].blocks, 0);
        EXPECT_LE(m.swaps[i].used, m.swaps[i].blocks);
    }
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

}  // namespace
