#include "Collation.h"

// Placeholder: byte order until the collation table lands.
namespace ruvo {
std::string CollationKey(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}
int CompareCollated(std::string_view a, std::string_view b) {
    return CollationKey(a).compare(CollationKey(b));
}
} // namespace ruvo
