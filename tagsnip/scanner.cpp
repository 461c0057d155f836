#include "tagsnip/scanner.hpp"

#include <cstring>

namespace tagsnip {

const char* find_tag(const char* from, const char* to, const char* tag, std::size_t length)
{
    if (to <= from || length == 0 || static_cast<std::size_t>(to - from) < length)
        return nullptr;
    const std::size_t size = static_cast<std::size_t>(to - from);
    if (length == 1)
        return static_cast<const char*>(memchr(from, tag[0], size));
    if (memchr(tag, '\n', length - 1) != nullptr)
        return nullptr;
    return static_cast<const char*>(memmem(from, size, tag, length));
}

bool needs_line_pieces(action a)
{
    return a == action::enumerate || a == action::highlight;
}

}  // namespace tagsnip
