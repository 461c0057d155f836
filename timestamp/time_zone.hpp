// SPDX-License-Identifier: BSD-2-Clause
// Time zones for --zone: the system's zone database (TZif files under TZDIR,
// by default /usr/share/zoneinfo), POSIX TZ rules, fixed offsets and UTC,
// read by the converters themselves. The C library's zone machinery takes
// an unknown zone for UTC without a word, and looks the zone up again on
// every call; here an unknown zone is an error, and the offsets in force
// are kept in a table that answers a lookup in a few steps. Plain arrays:
// the converters need no C++ run-time library, which would take time to
// load at every start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace timestamp {

// One kind of local time: its offset east of UTC, daylight saving or not,
// and its abbreviation ("CET", "EDT", "+0530").
struct zone_type {
    int32_t offset;
    bool is_dst;
    char abbreviation[32];  // tm_zone points here: "char *" on FreeBSD
};

// A date of a POSIX TZ rule, and the local time of day of the change.
struct rule_date {
    char kind;  // 'J': day 1 to 365, February 29 never counted; 'D': day 0 to 365; 'M': month, week, weekday
    int day;    // 'J', 'D'; for 'M' the weekday, 0 for Sunday
    int month;  // 'M': 1 to 12
    int week;   // 'M': 1 to 5, 5 the last
    int32_t time;  // seconds after local midnight (may be negative or beyond a day)
};

// The rule of a POSIX TZ string: standard time, and daylight saving time
// between two dates of every year.
struct zone_rule {
    bool present;
    bool has_dst;
    size_t std_type;  // indices into time_zone::types
    size_t dst_type;
    rule_date start;  // daylight saving time begins (in standard time)
    rule_date end;    // and ends (in daylight saving time)
};

// [start, end): the instants one kind of local time is in force.
struct zone_interval {
    int64_t start;
    int64_t end;
    size_t type;
};

// The most kinds of local time: those of a zone file, and a rule's two.
inline constexpr size_t most_zone_types = 256 + 2;
inline constexpr int zone_bucket_shift = 21;  // buckets of 2^21 seconds (24 days)

struct time_zone {
    const char* name;  // as the user gave it
    bool is_utc;       // UTC itself: offset 0 always, the converters' fast path
    zone_type types[most_zone_types];
    size_t type_count;
    // Changes of local time, in time order: from at[i] on, types[type_of[i]]
    // is in force. The zone file's own changes, then those of the rule up
    // to the year 2400, so that most lookups need neither the rule nor a
    // binary search.
    int64_t* at;
    uint16_t* type_of;
    size_t change_count;
    size_t before_type;      // before the first change, for a zone file
    zone_rule rule;          // after the table; from a zone file's end, or the whole zone
    bool rule_before_table;  // the zone is a rule only: it holds before the table too
    int64_t table_end;       // where the rule takes over from the table
    // For times between bucket_low and bucket_high: the index into at of the
    // change in force at the start of each bucket.
    int64_t bucket_low;
    int64_t bucket_high;
    uint32_t* bucket_first;
    zone_interval last;  // the interval of the last lookup
};

// Reads ZONE: "UTC"; a fixed offset "+05:30", "-0800", "+01"; a name of the
// zone database ("Europe/Berlin"; an absolute path is taken as it is); or a
// POSIX TZ string ("EST5EDT,M3.2.0,M11.1.0"). A leading ":" is dropped, as
// the C library drops it from TZ. Ends the program with its message when
// the zone is none of these, or its file is damaged or cannot be read.
// ZONE must outlive z.
void load_time_zone(time_zone* z, const char* zone);

// The zone in the bytes of a zone file, as load_time_zone reads the file of
// a name, without ending the program: false when they are not a zone file
// or are damaged. Either way free_time_zone frees what it took.
bool load_zone_data(time_zone* z, const char* name, const unsigned char* data, size_t size);

// Frees what load_time_zone or load_zone_data took.
void free_time_zone(time_zone* z);

// The interval around the instant t (seconds since the Epoch).
zone_interval interval_at(time_zone* z, int64_t t);

// The kind of local time in force at the instant t.
inline const zone_type& type_at(time_zone* z, int64_t t)
{
    if (t >= z->last.start && t < z->last.end)
        return z->types[z->last.type];
    if (t >= z->bucket_low && t < z->bucket_high) {
        size_t i = z->bucket_first[static_cast<uint64_t>(t - z->bucket_low) >> zone_bucket_shift];
        while (i + 1 < z->change_count && z->at[i + 1] <= t)
            ++i;
        return z->types[z->type_of[i]];
    }
    return z->types[interval_at(z, t).type];
}

// The instant whose local time is LOCAL (seconds since the Epoch as if the
// local time were UTC). When the local time happens twice (clocks go
// back), the earlier instant. False when it does not happen at all (the
// hour skipped when clocks go forward).
bool instant_of_local(time_zone* z, int64_t local, int64_t* instant);

}  // namespace timestamp
