// SPDX-License-Identifier: BSD-2-Clause
// The converters' reader of zone files (TZif, with the POSIX rule of its
// footer): the input is the file's bytes. A file it takes must give a table
// of changes in strict time order with known kinds of local time, and
// lookups that agree with each other: the interval around an instant holds
// it, the fast lookup gives its kind, and a local time found again names an
// instant whose local time it is.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.hpp"
#include "timestamp/time_zone.hpp"

namespace {

using fuzzinput::expect;

// Far enough from the ends of int64_t that an offset added or taken away
// cannot overflow.
constexpr std::int64_t reach = std::int64_t{1} << 60;

void expect_lookups_agree(timestamp::time_zone* z, std::int64_t t)
{
    // The fast lookup first, without the last interval to lean on.
    z->last = timestamp::zone_interval{0, 0, 0};
    const timestamp::zone_type& fast = timestamp::type_at(z, t);
    const timestamp::zone_interval iv = timestamp::interval_at(z, t);
    expect(iv.start <= t && t < iv.end, "the interval holds the instant", [&] { return std::to_string(t); });
    expect(iv.type < z->type_count, "a known kind of local time");
    expect(&fast == &z->types[iv.type], "the fast lookup gives the interval's kind",
           [&] { return std::to_string(t); });
    const std::int64_t local = t + fast.offset;
    std::int64_t instant = 0;
    expect(timestamp::instant_of_local(z, local, &instant), "a local time that happens is found",
           [&] { return std::to_string(t); });
    expect(instant <= t, "the earliest instant of the local time", [&] { return std::to_string(t); });
    expect(instant + timestamp::type_at(z, instant).offset == local, "the instant found has the local time",
           [&] { return std::to_string(t) + " -> " + std::to_string(instant); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    timestamp::time_zone z;
    if (timestamp::load_zone_data(&z, "fuzz", data, size)) {
        expect(z.type_count > 0 && z.type_count <= timestamp::most_zone_types, "kinds of local time");
        for (std::size_t i = 0; i < z.change_count; ++i) {
            expect(z.type_of[i] < z.type_count, "each change names a known kind");
            expect(i == 0 || z.at[i - 1] < z.at[i], "changes in strict time order");
        }
        // Around the first and last changes, a few between, and far out.
        const std::size_t n = z.change_count;
        for (std::size_t k = 0; k < n; k += n / 16 + 1) {
            if (z.at[k] > -reach && z.at[k] < reach) {
                expect_lookups_agree(&z, z.at[k] - 1);
                expect_lookups_agree(&z, z.at[k]);
            }
        }
        if (n > 0 && z.at[n - 1] > -reach && z.at[n - 1] < reach)
            expect_lookups_agree(&z, z.at[n - 1] + 1);
        for (const std::int64_t t : {std::int64_t{0}, std::int64_t{-1} << 40, std::int64_t{1} << 40,
                                     std::int64_t{13569465600}, std::int64_t{-5364662400}})
            expect_lookups_agree(&z, t);
    }
    timestamp::free_time_zone(&z);
    return 0;
}
