// Hidden objects through the real zotpx: kept in the layout, neither applied nor counted, nor
// made start-up commands.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/zotpx_run.h"
#include "command/codec.h"
#include "command/words.h"
#include "scratch_files.h"
#include "support/sim_fixture.h"

namespace {

TEST(HiddenObjects, AreNeitherAppliedNorCountedNorStartUpCommands) {
  const std::string dir = zotpx::test::ScratchFolder("hidden", "apply");
  zotpx::test::WriteText(dir + "l.toml",
                         "[[rect]]\nhidden = true\n[[text]]\ntext = \"AB\"\n[[circle]]\nhidden = "
                         "true\nx = 100\ny = 100\n");
  zotpx::test::SimDevice device =
      zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto applied =
      zotpx::test::RunZotpx({"-p", device.link.port, "-b", "115200", "apply", dir + "l.toml"});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_NE(applied.out.find("1 objects sent"), std::string::npos) << applied.out;
  zotpx::Values text(*zotpx::FindRow("text"));
  const std::vector<zotpx::GivenWord> words = {{"text", "AB"}};
  ASSERT_TRUE(zotpx::SetFieldWords(text, words, zotpx::Spelling::Keys).empty());
  EXPECT_EQ(device->ReceivedFrames(), zotpx::BuildFrames(text));
  // Only the text is a start-up command: one record.
  const auto made = zotpx::test::RunZotpx({"static", dir + "l.toml", "-o", dir + "s.txt"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find("1 records"), std::string::npos) << made.out;
  std::filesystem::remove_all(dir);
}

}  // namespace
