// The pure rules of the port list, on every platform: the order of names.
#include <gtest/gtest.h>

#include <algorithm>

#include "serial/port_list.h"

namespace {

TEST(NaturalLess, NumbersInNamesCountByValue) {
  std::vector<std::string> names = {"/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB2",
                                    "/dev/ttyUSB02", "COM10",        "COM9",
                                    "/dev/ttyS1",    "/dev/ttyUSB1", "/dev/ttyUSB"};
  std::sort(names.begin(), names.end(), zotpx::NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB",
                                             "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB02",
                                             "/dev/ttyUSB10", "COM9", "COM10"}));
  for (const std::string& name : names) EXPECT_FALSE(zotpx::NaturalLess(name, name)) << name;
}

}  // namespace
