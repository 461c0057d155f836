// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/time_zone.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "timestamp/civil_time.hpp"

namespace timestamp {

namespace {

constexpr int64_t day_seconds = 86400;
// A zone file is a few kilobytes; anything far larger is not one.
constexpr size_t largest_zone_file = 1024 * 1024;
// Offsets from UTC stay below a day and a bit (POSIX allows 24:59:59).
constexpr int32_t largest_offset = 25 * 3600;

int64_t floor_div(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t year_start(int64_t year)
{
    return days_from_civil(year, 1, 1) * day_seconds;
}

[[noreturn]] void unknown_zone(const char* zone)
{
    frame::die("ERROR: Unknown time zone \"%s\"!", zone);
}

size_t add_type(time_zone* z, int32_t offset, bool is_dst, const char* abbreviation, size_t length)
{
    zone_type& t = z->types[z->type_count];
    t.offset = offset;
    t.is_dst = is_dst;
    length = std::min(length, sizeof t.abbreviation - 1);
    memcpy(t.abbreviation, abbreviation, length);
    t.abbreviation[length] = '\0';
    return z->type_count++;
}

// Room for COUNT more changes in the table.
void reserve_changes(time_zone* z, size_t count)
{
    if (count == 0)
        return;
    const size_t wanted = z->change_count + count;
    z->at = static_cast<int64_t*>(realloc(z->at, wanted * sizeof *z->at));
    z->type_of = static_cast<uint16_t*>(realloc(z->type_of, wanted * sizeof *z->type_of));
    if (z->at == nullptr || z->type_of == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
}

// The index of the last change at or before t (t at or after the first).
size_t change_before(const time_zone& z, int64_t t)
{
    return static_cast<size_t>(std::upper_bound(z.at, z.at + z.change_count, t) - z.at - 1);
}

// --- POSIX TZ strings --------------------------------------------------------

bool is_alpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// A zone abbreviation: three or more letters, or "<" three or more letters,
// digits, "+" or "-", ">".
bool read_name(const char*& p, const char** name, size_t* length)
{
    const char* q = p;
    if (*q == '<') {
        const char* first = ++q;
        while (is_alpha(*q) || is_digit(*q) || *q == '+' || *q == '-')
            ++q;
        if (*q != '>' || q - first < 3)
            return false;
        *name = first;
        *length = static_cast<size_t>(q - first);
        p = q + 1;
        return *length < sizeof zone_type{}.abbreviation;
    }
    while (is_alpha(*q))
        ++q;
    if (q - p < 3)
        return false;
    *name = p;
    *length = static_cast<size_t>(q - p);
    p = q;
    return *length < sizeof zone_type{}.abbreviation;
}

// A number of at most three digits, at most high.
bool read_number(const char*& p, int high, int* value)
{
    int v = 0;
    int digits = 0;
    while (is_digit(*p) && digits < 4) {
        v = v * 10 + (*p++ - '0');
        ++digits;
    }
    if (digits == 0 || digits > 3 || v > high)
        return false;
    *value = v;
    return true;
}

// [+-]hh[:mm[:ss]] in seconds, the hours at most max_hours.
bool read_clock(const char*& p, int max_hours, int32_t* seconds)
{
    int sign = 1;
    if (*p == '+' || *p == '-')
        sign = *p++ == '-' ? -1 : 1;
    int hours = 0, minutes = 0, secs = 0;
    if (!read_number(p, max_hours, &hours))
        return false;
    if (*p == ':') {
        ++p;
        if (!read_number(p, 59, &minutes))
            return false;
        if (*p == ':') {
            ++p;
            if (!read_number(p, 59, &secs))
                return false;
        }
    }
    *seconds = sign * (hours * 3600 + minutes * 60 + secs);
    return true;
}

bool read_rule_date(const char*& p, rule_date* d)
{
    if (*p == 'J') {
        ++p;
        d->kind = 'J';
        if (!read_number(p, 365, &d->day) || d->day < 1)
            return false;
    } else if (*p == 'M') {
        ++p;
        d->kind = 'M';
        if (!read_number(p, 12, &d->month) || d->month < 1 || *p++ != '.' || !read_number(p, 5, &d->week) ||
            d->week < 1 || *p++ != '.' || !read_number(p, 6, &d->day))
            return false;
    } else {
        d->kind = 'D';
        if (!read_number(p, 365, &d->day))
            return false;
    }
    d->time = 2 * 3600;
    if (*p == '/') {
        ++p;
        return read_clock(p, 167, &d->time);
    }
    return true;
}

// The whole of TEXT as a POSIX TZ string, into z's types and rule.
bool read_posix_rule(time_zone* z, const char* text)
{
    const char* p = text;
    const char* std_name = nullptr;
    size_t std_length = 0;
    int32_t std_west = 0;  // POSIX offsets count west of UTC
    if (!read_name(p, &std_name, &std_length) || !read_clock(p, 24, &std_west))
        return false;
    zone_rule rule{};
    rule.present = true;
    if (*p == '\0') {
        rule.std_type = add_type(z, -std_west, false, std_name, std_length);
        z->rule = rule;
        return true;
    }
    const char* dst_name = nullptr;
    size_t dst_length = 0;
    int32_t dst_west = std_west - 3600;
    if (!read_name(p, &dst_name, &dst_length))
        return false;
    if (*p != ',' && *p != '\0' && !read_clock(p, 24, &dst_west))
        return false;
    const char* const default_rule = ",M3.2.0,M11.1.0";  // the United States' since 2007
    const char* r = *p == '\0' ? default_rule : p;
    if (*r++ != ',' || !read_rule_date(r, &rule.start) || *r++ != ',' || !read_rule_date(r, &rule.end) ||
        *r != '\0')
        return false;
    rule.has_dst = true;
    rule.std_type = add_type(z, -std_west, false, std_name, std_length);
    rule.dst_type = add_type(z, -dst_west, true, dst_name, dst_length);
    z->rule = rule;
    return true;
}

// "+05:30", "-0800", "+01": east of UTC, as ISO 8601 writes it.
bool read_fixed_offset(time_zone* z, const char* text)
{
    if (text[0] != '+' && text[0] != '-')
        return false;
    const char* p = text + 1;
    auto two = [&](int* v) {
        if (!is_digit(p[0]) || !is_digit(p[1]))
            return false;
        *v = (p[0] - '0') * 10 + (p[1] - '0');
        p += 2;
        return true;
    };
    int hours = 0, minutes = 0;
    if (!two(&hours))
        return false;
    if (*p != '\0') {
        if (*p == ':')
            ++p;
        if (!two(&minutes))
            return false;
    }
    if (*p != '\0' || hours > 24 || minutes > 59)
        return false;
    char name[8];
    const int length = minutes == 0 ? snprintf(name, sizeof name, "%c%02d", text[0], hours)
                                    : snprintf(name, sizeof name, "%c%02d%02d", text[0], hours, minutes);
    const int32_t offset = (text[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    z->before_type = add_type(z, offset, false, name, static_cast<size_t>(length));
    return true;
}

// --- Rules through the years --------------------------------------------------

// Days since the Epoch of a rule date in a year.
int64_t rule_day(const rule_date& d, int64_t year)
{
    const int64_t january_first = days_from_civil(year, 1, 1);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    switch (d.kind) {
    case 'J': return january_first + d.day - 1 + (leap && d.day >= 60 ? 1 : 0);
    case 'D': return january_first + d.day;
    default: {
        const int64_t first = days_from_civil(year, d.month, 1);
        const int64_t first_weekday = ((first + 4) % 7 + 7) % 7;  // 1970-01-01 was a Thursday
        int64_t day = first + (d.day - first_weekday + 7) % 7 + (d.week - 1) * 7;
        const int64_t next_month = d.month == 12 ? days_from_civil(year + 1, 1, 1) : days_from_civil(year, d.month + 1, 1);
        while (day >= next_month)
            day -= 7;
        return day;
    }
    }
}

struct rule_change {
    int64_t at;
    size_t type;
};

// Sorts a few changes by time, keeping the order of changes at the same time.
void sort_changes(rule_change* c, size_t count)
{
    for (size_t i = 1; i < count; ++i) {
        const rule_change moved = c[i];
        size_t j = i;
        for (; j > 0 && c[j - 1].at > moved.at; --j)
            c[j] = c[j - 1];
        c[j] = moved;
    }
}

// The rule's two changes of a year, in the order of the year.
void rule_changes(const time_zone& z, int64_t year, rule_change out[2])
{
    const zone_rule& r = z.rule;
    const int64_t start = rule_day(r.start, year) * day_seconds + r.start.time - z.types[r.std_type].offset;
    const int64_t end = rule_day(r.end, year) * day_seconds + r.end.time - z.types[r.dst_type].offset;
    out[0] = {start, r.dst_type};
    out[1] = {end, r.std_type};
    if (end < start)  // the southern hemisphere: summer time spans the new year
        std::swap(out[0], out[1]);
}

// The interval of the rule around t, from the changes of the years about it.
zone_interval rule_interval(const time_zone& z, int64_t t)
{
    const zone_rule& r = z.rule;
    if (!r.has_dst)
        return {INT64_MIN, INT64_MAX, r.std_type};
    const int64_t days = floor_div(t, day_seconds);
    const int64_t year = std::clamp<int64_t>(1970 + floor_div(days * 400, 146097), -1000000000, 1000000000);
    rule_change changes[10];
    for (int i = 0; i < 5; ++i)
        rule_changes(z, year - 2 + i, changes + 2 * i);
    sort_changes(changes, 10);
    zone_interval iv{INT64_MIN, INT64_MAX, changes[0].type == r.dst_type ? r.std_type : r.dst_type};
    for (const rule_change& c : changes) {
        if (c.at <= t) {
            iv.start = c.at;
            iv.type = c.type;
        } else {
            iv.end = c.at;
            break;
        }
    }
    return iv;
}

// The rule's changes after the table's last one, up to the year 2400, go
// into the table; so do those from 1800 for a zone that is only a rule. A
// year's changes follow those of the year before; one at the very time of
// the last takes its place (a rule of summer time all year round). A file
// whose last change lies before 1800 has its rule from 1800 on, too: its
// last kind of local time holds until then, and a damaged file's change in
// a year far back cannot make the table millions of years long.
void extend_table_by_rule(time_zone* z)
{
    if (!z->rule.present || !z->rule.has_dst)
        return;
    const bool from_rule_only = z->change_count == 0;
    int64_t first_year = 1800;
    if (!from_rule_only) {
        tm t{};
        first_year = utc_broken_down(z->at[z->change_count - 1], &t) ? t.tm_year + 1900 - 1 : 2400;
        first_year = std::max<int64_t>(first_year, 1800);
    }
    if (first_year >= 2400)
        return;
    reserve_changes(z, static_cast<size_t>(2400 - first_year) * 2);
    for (int64_t year = first_year; year < 2400; ++year) {
        rule_change two[2];
        rule_changes(*z, year, two);
        for (const rule_change& c : two) {
            const size_t n = z->change_count;
            if (n > 0 && c.at < z->at[n - 1])
                continue;
            if (n > 0 && c.at == z->at[n - 1]) {
                z->type_of[n - 1] = static_cast<uint16_t>(c.type);
                continue;
            }
            if (n > 0 && z->type_of[n - 1] == c.type)
                continue;
            z->at[n] = c.at;
            z->type_of[n] = static_cast<uint16_t>(c.type);
            z->change_count = n + 1;
        }
    }
}

// --- Zone files (TZif) ---------------------------------------------------------

int64_t big_endian(const unsigned char* p, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    if (bytes == 4)
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    return static_cast<int64_t>(v);
}

enum class file_result { not_a_zone, read, damaged };

// The header's six counts: UT/local indicators, standard/wall indicators,
// leap seconds, transitions, types, abbreviation bytes.
struct tzif_counts {
    int64_t isut, isstd, leap, time, type, chars;
};

bool read_counts(const unsigned char* data, size_t size, size_t at, tzif_counts* c)
{
    if (size < at + 44 || memcmp(data + at, "TZif", 4) != 0)
        return false;
    const unsigned char* p = data + at + 20;
    c->isut = big_endian(p, 4);
    c->isstd = big_endian(p + 4, 4);
    c->leap = big_endian(p + 8, 4);
    c->time = big_endian(p + 12, 4);
    c->type = big_endian(p + 16, 4);
    c->chars = big_endian(p + 20, 4);
    return c->isut >= 0 && c->isstd >= 0 && c->leap >= 0 && c->time >= 0 && c->type >= 1 && c->type <= 256 &&
           c->chars >= 1 && c->time < 1000000 && c->chars < 1000000 && c->leap < 1000000;
}

size_t data_length(const tzif_counts& c, int time_bytes)
{
    return static_cast<size_t>(c.time * time_bytes + c.time + c.type * 6 + c.chars + c.leap * (time_bytes + 4) +
                               c.isstd + c.isut);
}

file_result read_zone_data(time_zone* z, const unsigned char* data, size_t size)
{
    tzif_counts c{};
    if (size < 5 || memcmp(data, "TZif", 4) != 0)
        return file_result::not_a_zone;
    if (!read_counts(data, size, 0, &c))
        return file_result::damaged;
    size_t at = 44;
    int time_bytes = 4;
    if (data[4] >= '2') {  // skip the 32-bit data for the 64-bit data after it
        at += data_length(c, 4);
        if (!read_counts(data, size, at, &c))
            return file_result::damaged;
        at += 44;
        time_bytes = 8;
    }
    if (size < at + data_length(c, time_bytes))
        return file_result::damaged;
    if (c.leap != 0)  // the "right/" zones count leap seconds, which Unix time does not
        return file_result::damaged;
    const unsigned char* p = data + at;
    const unsigned char* indices = p + c.time * time_bytes;
    const unsigned char* types = indices + c.time;
    const char* chars = reinterpret_cast<const char*>(types + c.type * 6);
    for (int64_t i = 0; i < c.type; ++i) {
        const unsigned char* t = types + i * 6;
        const auto offset = static_cast<int32_t>(big_endian(t, 4));
        const unsigned abbreviation = t[5];
        if (offset < -largest_offset || offset > largest_offset || t[4] > 1 || abbreviation >= c.chars)
            return file_result::damaged;
        const char* name = chars + abbreviation;
        const void* nul = memchr(name, '\0', static_cast<size_t>(c.chars - abbreviation));
        if (nul == nullptr)
            return file_result::damaged;
        add_type(z, offset, t[4] == 1, name, static_cast<size_t>(static_cast<const char*>(nul) - name));
    }
    reserve_changes(z, static_cast<size_t>(c.time));
    for (int64_t i = 0; i < c.time; ++i) {
        const int64_t when = big_endian(p + i * time_bytes, time_bytes);
        if (indices[i] >= c.type || (z->change_count > 0 && when <= z->at[z->change_count - 1]))
            return file_result::damaged;
        z->at[z->change_count] = when;
        z->type_of[z->change_count] = indices[i];
        ++z->change_count;
    }
    z->before_type = 0;
    if (time_bytes == 8) {  // the footer: "\n", a POSIX TZ string for the times after the table, "\n"
        const size_t footer = at + data_length(c, 8);
        if (footer >= size || data[footer] != '\n')
            return file_result::damaged;
        const void* end = memchr(data + footer + 1, '\n', size - footer - 1);
        if (end == nullptr)
            return file_result::damaged;
        char rule[256];
        const auto length = static_cast<size_t>(static_cast<const unsigned char*>(end) - (data + footer + 1));
        if (length >= sizeof rule)
            return file_result::damaged;
        memcpy(rule, data + footer + 1, length);
        rule[length] = '\0';
        if (length > 0 && !read_posix_rule(z, rule))
            return file_result::damaged;
    }
    return file_result::read;
}

// The zone file of a name: under TZDIR, or the system's zone folder.
bool zone_path(const char* name, char* path, size_t size)
{
    const char* dir = getenv("TZDIR");
    if (dir == nullptr || dir[0] == '\0')
        dir = "/usr/share/zoneinfo";
    const int n = name[0] == '/' ? snprintf(path, size, "%s", name) : snprintf(path, size, "%s/%s", dir, name);
    return n >= 0 && static_cast<size_t>(n) < size;
}

file_result read_zone_file(time_zone* z, const char* name)
{
    char path[4096];
    if (!zone_path(name, path, sizeof path))
        return file_result::not_a_zone;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG || errno == ELOOP)
            return file_result::not_a_zone;
        frame::die("ERROR: Unable to read time zone file %s: %s!", path, strerror(errno));
    }
    auto* data = static_cast<unsigned char*>(malloc(largest_zone_file + 1));
    if (data == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    size_t length = 0;
    while (length <= largest_zone_file) {
        const ssize_t n = read(fd, data + length, largest_zone_file + 1 - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            free(data);
            if (error == EISDIR)  // a folder of zones, such as "Europe"
                return file_result::not_a_zone;
            frame::die("ERROR: Unable to read time zone file %s: %s!", path, strerror(error));
        }
        if (n == 0)
            break;
        length += static_cast<size_t>(n);
    }
    close(fd);
    const file_result result =
        length > largest_zone_file ? file_result::not_a_zone : read_zone_data(z, data, length);
    free(data);
    if (result == file_result::damaged)
        frame::die("ERROR: Time zone file %s is damaged!", path);
    return result;
}

// The change of local time in force at the start of each bucket.
void build_buckets(time_zone* z)
{
    if (z->change_count == 0)
        return;
    z->bucket_low = std::max(z->at[0], year_start(1900));
    z->bucket_high = std::min(std::max(z->at[z->change_count - 1], z->bucket_low), year_start(2400));
    if (z->bucket_high <= z->bucket_low) {
        z->bucket_high = z->bucket_low;
        return;
    }
    const auto count = static_cast<size_t>(((z->bucket_high - z->bucket_low) >> zone_bucket_shift) + 1);
    z->bucket_first = static_cast<uint32_t*>(malloc(count * sizeof *z->bucket_first));
    if (z->bucket_first == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    for (size_t k = 0; k < count; ++k)
        z->bucket_first[k] = static_cast<uint32_t>(change_before(*z, z->bucket_low + (static_cast<int64_t>(k) << zone_bucket_shift)));
}

// The table made ready for lookups: the rule's changes added, the buckets
// built.
void complete_zone(time_zone* z)
{
    z->table_end = year_start(2400);
    extend_table_by_rule(z);
    build_buckets(z);
}

}  // namespace

bool load_zone_data(time_zone* z, const char* name, const unsigned char* data, size_t size)
{
    memset(z, 0, sizeof *z);
    z->name = name;
    if (read_zone_data(z, data, size) != file_result::read)
        return false;
    complete_zone(z);
    return true;
}

void load_time_zone(time_zone* z, const char* zone)
{
    memset(z, 0, sizeof *z);
    z->name = zone;
    const char* name = zone[0] == ':' ? zone + 1 : zone;
    if (strcmp(name, "UTC") == 0) {
        z->is_utc = true;
        z->before_type = add_type(z, 0, false, "UTC", 3);
        return;
    }
    if (name[0] == '\0')
        unknown_zone(zone);
    if (!read_fixed_offset(z, name) && read_zone_file(z, name) == file_result::not_a_zone) {
        if (!read_posix_rule(z, name))
            unknown_zone(zone);
        z->rule_before_table = true;
    }
    complete_zone(z);
}

void free_time_zone(time_zone* z)
{
    free(z->at);
    free(z->type_of);
    free(z->bucket_first);
    z->at = nullptr;
    z->type_of = nullptr;
    z->bucket_first = nullptr;
    z->change_count = 0;
}

zone_interval interval_at(time_zone* z, int64_t t)
{
    const size_t n = z->change_count;
    const bool changing_rule = z->rule.present && z->rule.has_dst;
    zone_interval iv{};
    if (n == 0) {
        iv = z->rule.present ? rule_interval(*z, t) : zone_interval{INT64_MIN, INT64_MAX, z->before_type};
    } else if (t < z->at[0]) {
        iv = z->rule_before_table ? rule_interval(*z, t) : zone_interval{INT64_MIN, z->at[0], z->before_type};
        iv.end = std::min(iv.end, z->at[0]);
    } else {
        size_t i = 0;
        if (t >= z->bucket_low && t < z->bucket_high) {
            i = z->bucket_first[static_cast<uint64_t>(t - z->bucket_low) >> zone_bucket_shift];
            while (i + 1 < n && z->at[i + 1] <= t)
                ++i;
        } else {
            i = change_before(*z, t);
        }
        if (i + 1 < n) {
            iv = {z->at[i], z->at[i + 1], z->type_of[i]};
        } else if (!changing_rule) {
            iv = {z->at[i], INT64_MAX, z->type_of[i]};
        } else if (t < z->table_end) {
            iv = {z->at[i], z->table_end, z->type_of[i]};
        } else {
            iv = rule_interval(*z, t);
            iv.start = std::max(iv.start, z->at[i]);
        }
    }
    z->last = iv;
    return iv;
}

bool instant_of_local(time_zone* z, int64_t local, int64_t* instant)
{
    // Every instant with this local time lies within a window of the
    // largest offset each side of it; the intervals across that window are
    // tried in time order, so the first that holds its candidate holds the
    // earliest.
    constexpr int64_t window = 2 * largest_offset;
    const int64_t low = local > INT64_MIN + window ? local - window : INT64_MIN;
    const int64_t high = local < INT64_MAX - window ? local + window : INT64_MAX;
    int64_t t = low;
    for (;;) {
        const zone_interval iv = interval_at(z, t);
        const int64_t candidate = local - z->types[iv.type].offset;
        if (candidate >= iv.start && candidate < iv.end) {
            *instant = candidate;
            return true;
        }
        if (iv.end > high || iv.end == INT64_MAX)
            return false;
        t = iv.end;
    }
}

}  // namespace timestamp
