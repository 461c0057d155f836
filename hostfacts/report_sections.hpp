// SPDX-License-Identifier: BSD-2-Clause
// The sections of the host report: each turns its facts into lines of
// shell variable assignments on a stream, with all of the report's arithmetic.
#pragma once

#include <cstdint>
#include <cstdio>

#include "hostfacts/host_facts.hpp"

namespace hostfacts {

// The highest compatibility version this report offers. Version 1 writes
// every line of version 0, in the same order, and adds its own lines.
inline constexpr std::uint32_t available_version = 1;

// The report's line for the version it is written in.
void write_compatibility(FILE* out, std::uint32_t version);
// `name` is the whole host name; the short name ends at its first dot.
void write_host_names(FILE* out, const char* name);
void write_uptime(FILE* out, const uptime_facts& facts);
void write_kernel(FILE* out, const kernel_facts& facts);
// Version 1: the operating system's name and version from os-release,
// else the kernel's name and release; nothing when neither is known.
void write_os_release(FILE* out, const os_facts& os, const kernel_facts& kernel);
void write_processors(FILE* out, std::uint32_t cores, std::uint32_t page_size);
// Version 1: the processor model, or the perror message on `err`.
void write_processor_model(FILE* out, FILE* err, const processor_facts& facts);
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
// Version 1 adds the available memory, and writes all five swap lines also
// without swap.
void write_memory(FILE* out, FILE* err, const memory_facts& facts, std::uint32_t version);

// The four lines of one disk, or nothing when its facts are unknown;
// version 1 adds the use percentage as df shows it.
void write_disk(FILE* out, const char* label, const disk_facts& facts, std::uint32_t version);

// The percentage df shows: used / (used + available to unprivileged users),
// rounded up to a whole number; 0 for a file system without either.
unsigned df_use_percent(const disk_facts& facts);

// The perror form "label: error text\n" on `err`, after flushing `out`, so
// that the lines before it come first when both go to one file.
void report_source_failure(FILE* out, FILE* err, const char* label, int error);
void write_disk_list(FILE* out);

// The mount paths of the disk section with their labels, in report order.
struct disk_place {
    const char* label;
    const char* path;
};
inline constexpr disk_place disk_places[3] = {{"root", "/"}, {"home", "/home"}, {"tmp", "/tmp"}};

}  // namespace hostfacts
