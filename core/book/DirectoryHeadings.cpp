#include "core/book/DirectoryHeadings.h"

namespace ruvo {

std::string_view DirectorySectionHeading(DirectorySection section) {
    switch (section) {
    case DirectorySection::BeforeKana:
        return "英数・記号";
    case DirectorySection::AfterKana:
        return "その他";
    default:
        return KanaRowName(static_cast<KanaRow>(static_cast<int>(section) - 1));
    }
}

std::optional<DirectorySection> DirectoryHeadings::Next(std::string_view reading) {
    const std::optional<KanaRow> row = KanaRowOf(reading);
    DirectorySection section;
    if (row) {
        section = static_cast<DirectorySection>(static_cast<int>(*row) + 1);
        kanaSeen_ = true;
    } else {
        section = kanaSeen_ ? DirectorySection::AfterKana : DirectorySection::BeforeKana;
    }
    const auto index = static_cast<std::size_t>(section);
    if (section == current_ || shown_[index])
        return std::nullopt;
    shown_[index] = true;
    current_ = section;
    return section;
}

} // namespace ruvo
