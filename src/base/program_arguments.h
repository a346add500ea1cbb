// The program's arguments in UTF-8, as the tool takes all text. One file per platform: Linux's
// are the bytes given; Windows' come from the wide command line, so that they do not depend on
// the UTF-8 code page the manifest asks for (which Windows 10 before 1903, LTSC 2019 among
// them, does not grant).
#pragma once

#include <string>
#include <vector>

namespace zotpx {

std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace zotpx
