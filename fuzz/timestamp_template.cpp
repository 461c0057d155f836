// SPDX-License-Identifier: BSD-2-Clause
// The converters' split of a time format template at its first seconds
// field "%S": over any template (the input up to its first NUL), the split
// must be the one a scan by conversions gives ("%%" is a literal, "%OS" no
// seconds field, a lone "%" at the end left alone), and the prefix, "%S"
// and the suffix must make up the template again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.hpp"
#include "timestamp/template_split.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;

// Where the first "%S" conversion begins, or npos.
std::size_t model_seconds_field(const std::string& t)
{
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] != '%')
            continue;
        if (i + 1 == t.size())
            return std::string::npos;
        if (t[i + 1] == 'S')
            return i;
        ++i;
    }
    return std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzinput::reader in{data, size};
    const std::string time_template = in.field();
    const std::size_t at = model_seconds_field(time_template);

    std::size_t prefix_length = 0;
    const bool found = timestamp::find_seconds_field(time_template.c_str(), &prefix_length);
    expect(found == (at != std::string::npos), "a seconds field is found", [&] { return shown(time_template); });
    if (found)
        expect(prefix_length == at, "where the seconds field begins", [&] { return shown(time_template); });

    const timestamp::template_parts parts = timestamp::split_template(time_template.c_str());
    expect(parts.has_seconds == found, "split and search agree");
    if (parts.has_seconds) {
        const std::string whole = std::string(parts.prefix) + "%S" + parts.suffix;
        expect(whole == time_template, "prefix, %S and suffix make up the template", [&] { return shown(time_template); });
        expect(parts.suffix == time_template.c_str() + at + 2, "the suffix lies in the template");
        std::size_t inner = 0;
        expect(!timestamp::find_seconds_field(parts.prefix, &inner), "no seconds field in the prefix");
    }
    free(parts.prefix);
    return 0;
}
