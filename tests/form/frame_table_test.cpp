// The window's side of the shared frame table: set the controls, click the button, and the
// simulated device must have received exactly the row's frame, with the row's title on the
// status line. tests/cli runs the same rows through zotpx.
#include "support/frame_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <cstdio>

#include "serial/transaction.h"
#include "support/form_fixture.h"
#include "support/hex.h"

namespace {

using zotpx::test::FrameRow;

class FrameTableFormTest : public FormTest, public ::testing::WithParamInterface<FrameRow> {};

void SetControl(TForm1& form, const std::string& name, const std::string& value) {
  if (name.rfind("Edit", 0) == 0)
    form.SetText(name.c_str(), QString::fromStdString(value));
  else if (name.rfind("Check", 0) == 0)
    form.Check(name.c_str())->setChecked(value == "1");
  else
    form.Combo(name.c_str())->setCurrentIndex(std::stoi(value));
}

TEST_P(FrameTableFormTest, ButtonSendsTheRowsFrame) {
  const FrameRow& row = GetParam();
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  for (const auto& [control, value] : row.controls) SetControl(form(), control, value);
  if (!row.clock.empty()) {
    zotpx::LocalDateTime at;
    std::sscanf(row.clock.c_str(), "%d-%d-%d %d:%d:%d", &at.year, &at.month, &at.day, &at.hour,
                &at.minute, &at.second);
    form().SetClock([at] { return at; });
  }
  Click(row.button.c_str());
  EXPECT_EQ(Status(), row.title + zotpx::kSuccessText);
  const std::vector<zotpx::Bytes> frames = sim().ReceivedFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames.front(), zotpx::test::Hex(row.frame));
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameTableFormTest, ::testing::ValuesIn(zotpx::test::FrameRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
