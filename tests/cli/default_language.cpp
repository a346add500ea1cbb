// Every run of the program in this suite speaks the default face, whatever the locale of the
// machine that runs the suite (a developer's en_US, Wine's English display language): the
// suite's expectations are the Chinese texts. The language tests set their own.
#include <cstdlib>

namespace {

[[maybe_unused]] const bool kChinese = setenv("ZOTPX_LANG", "zh", 1) == 0;

}  // namespace
