// A program's arguments as one Windows command line, quoted so that the C run time's parser
// (and CommandLineToArgvW) gives back exactly those arguments: spaces, quotes and backslashes
// included. Pure, so that both systems' tests check it; starting a worker on Windows uses it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zotpx {

std::string QuoteWindowsArgument(std::string_view argument);
// The arguments quoted and joined by spaces, the program's own path first.
std::string WindowsCommandLine(const std::vector<std::string>& arguments);

}  // namespace zotpx
