// SPDX-License-Identifier: BSD-2-Clause
/* Timings of running a command several times, for the benchmarks:
     median_run RUNS STDIN STDOUT ARGS_FILE|- COMMAND...
   Standard input and output are redirected to files; ARGS_FILE's lines are
   appended to the command's arguments, so that one process gets them all.
   The command must succeed. Prints one line of seconds and KiB:
     wall_median wall_min wall_max cpu_median cpu_min cpu_max peak_rss_kib
   cpu is the child's user and system time; peak_rss_kib the largest peak
   resident set of all runs (getrusage of the child; Linux counts the
   runner's own resident set at the spawn in it, which is small unless
   ARGS_FILE is large). */
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
    if (argc < 6) { fprintf(stderr, "usage: median_run RUNS STDIN STDOUT ARGS_FILE|- COMMAND...\n"); return 2; }
    int runs = atoi(argv[1]);
    if (runs < 1) runs = 1;
    size_t n = 0, cap = 64;
    char** args = malloc(cap * sizeof *args);
    for (int i = 5; i < argc; ++i) {
        if (n + 2 > cap) args = realloc(args, (cap *= 2) * sizeof *args);
        args[n++] = argv[i];
    }
    if (strcmp(argv[4], "-") != 0) {
        FILE* f = fopen(argv[4], "r");
        if (!f) { perror(argv[4]); return 2; }
        char* line = NULL; size_t size = 0; ssize_t len;
        while ((len = getline(&line, &size, f)) > 0) {
            if (line[len - 1] == '\n') line[len - 1] = '\0';
            if (n + 2 > cap) args = realloc(args, (cap *= 2) * sizeof *args);
            args[n++] = strdup(line);
        }
        fclose(f);
    }
    args[n] = NULL;
    double* t = malloc(runs * sizeof *t);
    double* cpu = malloc(runs * sizeof *cpu);
    long peak_rss = 0;
    for (int r = 0; r < runs; ++r) {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, argv[2], O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        struct timespec a, b;
        clock_gettime(CLOCK_MONOTONIC, &a);
        pid_t pid;
        if (posix_spawn(&pid, args[0], &fa, NULL, args, environ) != 0) { perror(args[0]); return 2; }
        int status;
        struct rusage usage;
        wait4(pid, &status, 0, &usage);
        clock_gettime(CLOCK_MONOTONIC, &b);
        posix_spawn_file_actions_destroy(&fa);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) { fprintf(stderr, "failed: %s\n", args[0]); return 1; }
        t[r] = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
        cpu[r] = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        if (usage.ru_maxrss > peak_rss) peak_rss = usage.ru_maxrss;
    }
    qsort(t, runs, sizeof *t, by_value);
    qsort(cpu, runs, sizeof *cpu, by_value);
    printf("%.6f %.6f %.6f %.6f %.6f %.6f %ld\n", t[runs / 2], t[0], t[runs - 1],
           cpu[runs / 2], cpu[0], cpu[runs - 1], peak_rss);
    return 0;
}
