#pragma once
// The texts talvex-pack puts into a raters' zip, built into it from the repository's files:
// docs/windows-raters.txt, LICENSE and THIRD-PARTY-NOTICES.txt (generated as kit_texts.cpp).

#include <string_view>

namespace talvex::pack {

extern const std::string_view kRatersText;
extern const std::string_view kLicenceText;
extern const std::string_view kNoticesText;

}  // namespace talvex::pack
