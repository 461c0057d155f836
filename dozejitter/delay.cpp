// SPDX-License-Identifier: BSD-2-Clause
#include "dozejitter/delay.hpp"

#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace dozejitter {
namespace {

// A request's whole seconds are a signed 64-bit count.
constexpr double longest_delay = 9223372036854775808.0;  // 2^63

void seed_random()
{
    timeval now{};
    if (gettimeofday(&now, nullptr) == 0)
        srand(static_cast<unsigned>(now.tv_usec) ^ static_cast<unsigned>(now.tv_sec) ^
              static_cast<unsigned>(getpid()));
}

bool read_seconds(const char* text, double& value)
{
    char* end = nullptr;
    value = strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

}  // namespace

bool parse_delays(const char* min_text, const char* max_text, run_settings& s)
{
    // Both are read before either is judged.
    const bool min_read = read_seconds(min_text, s.min_delay);
    const bool max_read = read_seconds(max_text, s.max_delay);
    return min_read && max_read && s.min_delay >= 0 && s.min_delay <= s.max_delay &&
           s.max_delay < longest_delay;
}

double delay_for_draw(double min_delay, double max_delay, int r)
{
    if (min_delay == max_delay)
        return min_delay;
    const double k = 2147483647.0 / (max_delay - min_delay);
    const double delay = min_delay + r / k;
    return delay < 0 ? 0 : delay;
}

timespec sleep_request(double delay)
{
    timespec request{};
    // The rounding of the two divisions may carry a delay just under 2^63
    // onto it; such a request could never be made.
    if (!(delay < longest_delay))
        delay = std::nextafter(longest_delay, 0.0);
    request.tv_sec = static_cast<time_t>(delay);
    request.tv_nsec = static_cast<long>((delay - static_cast<double>(request.tv_sec)) * 1e9);
    return request;
}

int sleep_resuming(timespec request)
{
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0) {
        if (errno != EINTR)
            return errno;
        request = remaining;
    }
    return 0;
}

void run(const run_settings& s)
{
    seed_random();
    double delay = s.min_delay;
    if (s.min_delay != s.max_delay)
        delay = delay_for_draw(s.min_delay, s.max_delay, rand());
    if (s.verbose) {
        printf(frame::translate("Sleeping for %1.6f s ..."), delay);
        putchar('\n');
        // Out before the sleep also into a pipe or a file, so that a log
        // shows what is going on; a failed write ends the run here.
        frame::check_standard_output();
    }
    if (const int error = sleep_resuming(sleep_request(delay)))
        frame::die("ERROR: Unable to sleep: %s!", strerror(error));
    if (s.verbose) {
        fputs(frame::translate("Woke up!"), stdout);
        putchar('\n');
    }
}

}  // namespace dozejitter
