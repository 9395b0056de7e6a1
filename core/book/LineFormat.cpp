#include "core/book/LineFormat.h"

#include "core/error/Errors.h"
#include "core/text/TextHelpers.h"

namespace ruvo {

std::string NormalizeGroup(std::string_view group) {
    try {
        return ZeroPadDigits(group, 2);
    } catch (const EConvertError&) {
        return std::string(group);
    }
}

} // namespace ruvo
