// SPDX-License-Identifier: BSD-2-Clause
/* Start-up times of several commands, measured in turn in one loop:
     startup_spawn RUNS COMMAND... [-- COMMAND...]...
   Each round starts every command once with posix_spawn (standard input
   and output on /dev/null, the caller's environment), waits for it, and
   takes the wall time from the spawn to its end; the commands take turns,
   so that a busy neighbour slows them all alike. Every command must
   succeed. Prints one line per command, in milliseconds: the wall time's
   median, quartiles and least value, then the same of the command's own
   CPU time (user and system, from wait4), which a busy machine disturbs
   less:
     wall_median wall_p25 wall_p75 wall_min cpu_median cpu_p25 cpu_p75 cpu_min */
#define _GNU_SOURCE
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
extern char** environ;

static int by_value(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: startup_spawn RUNS COMMAND... [-- COMMAND...]...\n");
        return 2;
    }
    int runs = atoi(argv[1]);
    if (runs < 1)
        runs = 1;
    /* The commands: argv split at "--", each part ended by a null pointer. */
    char*** commands = malloc(argc * sizeof *commands);
    int count = 0;
    commands[count++] = &argv[2];
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            argv[i] = NULL;
            if (i + 1 < argc)
                commands[count++] = &argv[i + 1];
        }
    }
    double* t = malloc((size_t)count * runs * sizeof *t);
    double* cpu = malloc((size_t)count * runs * sizeof *cpu);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    for (int r = 0; r < runs; ++r) {
        for (int c = 0; c < count; ++c) {
            struct timespec a, b;
            pid_t pid;
            int status;
            struct rusage usage;
            clock_gettime(CLOCK_MONOTONIC, &a);
            if (posix_spawn(&pid, commands[c][0], &fa, NULL, commands[c], environ) != 0) {
                perror(commands[c][0]);
                return 2;
            }
            if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                fprintf(stderr, "failed: %s\n", commands[c][0]);
                return 1;
            }
            clock_gettime(CLOCK_MONOTONIC, &b);
            t[c * runs + r] = (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
            cpu[c * runs + r] = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        }
    }
    for (int c = 0; c < count; ++c) {
        double* series[2] = {t + c * runs, cpu + c * runs};
        for (int k = 0; k < 2; ++k) {
            double* s = series[k];
            qsort(s, runs, sizeof *s, by_value);
            printf("%.3f %.3f %.3f %.3f%c", s[runs / 2], s[runs / 4], s[(3 * runs) / 4], s[0], k ? '\n' : ' ');
        }
    }
    return 0;
}
