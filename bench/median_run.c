/* Median time of running a command, for the benchmarks:
     median_run [-s] RUNS STDIN STDOUT ARGS_FILE|- COMMAND...
   Standard input and output are redirected to files; ARGS_FILE's lines are
   appended to the command's arguments, so that one process gets them all.
   The command must succeed. Prints the median wall seconds; with -s one
   line instead: the median, least and greatest wall seconds, the same for
   the CPU seconds (user and system) of the command, and its greatest peak
   resident memory in KiB. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
extern char** environ;
static int by_value(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}
static double seconds(struct timeval t) { return t.tv_sec + t.tv_usec / 1e6; }
int main(int argc, char** argv)
{
    int stats = argc > 1 && strcmp(argv[1], "-s") == 0;
    argv += stats;
    argc -= stats;
    if (argc < 6) { fprintf(stderr, "usage: median_run [-s] RUNS STDIN STDOUT ARGS_FILE|- COMMAND...\n"); return 2; }
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
    long peak = 0;
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
        struct rusage use;
        wait4(pid, &status, 0, &use);
        clock_gettime(CLOCK_MONOTONIC, &b);
        posix_spawn_file_actions_destroy(&fa);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) { fprintf(stderr, "failed: %s\n", args[0]); return 1; }
        t[r] = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
        cpu[r] = seconds(use.ru_utime) + seconds(use.ru_stime);
        if (use.ru_maxrss > peak) peak = use.ru_maxrss;
    }
    qsort(t, runs, sizeof *t, by_value);
    qsort(cpu, runs, sizeof *cpu, by_value);
    if (stats)
        printf("%.6f %.6f %.6f %.6f %.6f %.6f %ld\n", t[runs / 2], t[0], t[runs - 1], cpu[runs / 2], cpu[0],
               cpu[runs - 1], peak);
    else
        printf("%.6f\n", t[runs / 2]);
    return 0;
}
