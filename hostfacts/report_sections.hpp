// SPDX-License-Identifier: BSD-2-Clause
// The sections of the host report: each turns its facts into lines of
// shell variable assignments on a stream, with all of the report's arithmetic.
#pragma once

#include <cstdint>
#include <cstdio>

#include "hostfacts/facts.hpp"

namespace hostfacts {

// The highest compatibility version this report offers.
inline constexpr std::uint32_t available_version = 0;

void write_compatibility(FILE* out);
// `name` is the whole host name; the short name ends at its first dot.
void write_host_names(FILE* out, const char* name);
void write_uptime(FILE* out, const uptime_facts& facts);
void write_kernel(FILE* out, const kernel_facts& facts);
void write_processors(FILE* out, std::uint32_t cores, std::uint32_t page_size);
void write_processes(FILE* out, std::uint32_t count);
void write_users(FILE* out, std::uint32_t count);
// The percentages are of the `cores` online processors.
void write_load(FILE* out, const load_facts& facts, std::uint32_t cores);

// The number written in a battery's status line for its state bits.
unsigned battery_status_code(int state);
// The answering units, at most two of them, then always the battery list.
void write_batteries(FILE* out, const battery_facts& facts);

// The memory and swap lines, or the perror message on `err` and nothing else.
// Flushes `out` first, so that what it holds comes before the message.
void write_memory(FILE* out, FILE* err, const memory_facts& facts);

// The four lines of one disk, or nothing when its facts are unknown.
void write_disk(FILE* out, const char* label, const disk_facts& facts);
void write_disk_list(FILE* out);

// The mount paths of the disk section with their labels, in report order.
struct disk_place {
    const char* label;
    const char* path;
};
inline constexpr disk_place disk_places[3] = {{"root", "/"}, {"home", "/home"}, {"tmp", "/tmp"}};

}  // namespace hostfacts
